#include "common/number_parse.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>

namespace tarvik {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// A sign may open the mantissa and the exponent.
bool takeSign(char16_t u, std::string& out) {
    if (u == u'+' || u == u'-') {
        out.push_back(static_cast<char>(u));
        return true;
    }
    return false;
}

// Gathers the leading number into plain ASCII, skipping blanks. Stops at the first character
// that cannot continue the number, so a long tail of text costs nothing.
std::string leadingNumberText(QStringView text, bool* hasDigits) {
    std::string out;
    *hasDigits = false;
    enum class State { Sign, Mantissa, ExpSign, ExpDigits } state = State::Sign;
    bool seenPoint = false;
    bool expDigits = false;
    std::string::size_type beforeExponent = 0;
    for (const QChar c : text) {
        if (isBlank(c)) {
            continue;
        }
        const char16_t u = c.unicode();
        if (state == State::Sign) {
            state = State::Mantissa;
            if (takeSign(u, out)) {
                continue;
            }
        }
        if (state == State::Mantissa) {
            if (u >= u'0' && u <= u'9') {
                out.push_back(static_cast<char>(u));
                *hasDigits = true;
                continue;
            }
            if (u == u'.' && !seenPoint) {
                seenPoint = true;
                out.push_back('.');
                continue;
            }
            if ((u == u'e' || u == u'E' || u == u'd' || u == u'D') && *hasDigits) {
                beforeExponent = out.size();
                out.push_back('e');
                state = State::ExpSign;
                continue;
            }
            break;
        }
        if (state == State::ExpSign) {
            state = State::ExpDigits;
            if (takeSign(u, out)) {
                continue;
            }
        }
        if (state == State::ExpDigits) {
            if (u >= u'0' && u <= u'9') {
                // Keep the exponent bounded: beyond 5 digits it over- or underflows anyway.
                if (out.size() - beforeExponent < 8) {
                    out.push_back(static_cast<char>(u));
                }
                expDigits = true;
                continue;
            }
            break;
        }
    }
    if ((state == State::ExpSign || state == State::ExpDigits) && !expDigits) {
        out.resize(beforeExponent);  // "12E" or "12E+" reads as 12
    }
    return out;
}

// Roughly the power of ten of the number's first significant digit (only its sign matters).
long decimalMagnitude(const std::string& s) {
    long exponent = 0;
    const auto e = s.find('e');
    if (e != std::string::npos) {
        exponent = std::strtol(s.c_str() + e + 1, nullptr, 10);
    }
    const std::string mantissa = s.substr(0, e);
    const auto point = mantissa.find('.');
    const std::string intPart = mantissa.substr(0, point);
    long lead = -1;  // position of the first non-zero digit relative to the point
    for (std::size_t i = 0; i < intPart.size(); ++i) {
        if (intPart[i] >= '1' && intPart[i] <= '9') {
            lead = static_cast<long>(intPart.size() - i - 1);
            break;
        }
    }
    if (lead < 0 && point != std::string::npos) {
        for (std::size_t i = point + 1; i < mantissa.size(); ++i) {
            if (mantissa[i] >= '1' && mantissa[i] <= '9') {
                lead = -static_cast<long>(i - point);
                break;
            }
        }
    }
    return lead + exponent;
}

}  // namespace

double leadingNumber(QStringView text) {
    bool hasDigits = false;
    const std::string s = leadingNumberText(text, &hasDigits);
    if (!hasDigits) {
        return 0.0;
    }
    // from_chars ignores the locale (Qt sets the user's locale at start, where strtod would
    // want a decimal comma in some countries). It rejects a leading '+', so skip that.
    const char* first = s.c_str();
    const char* last = first + s.size();
    if (*first == '+') {
        ++first;
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves value untouched then; tell overflow from underflow by the decimal
        // magnitude of the number.
        const bool negative = *first == '-';
        const bool tiny = decimalMagnitude(s) < 0;
        if (tiny) {
            return negative ? -0.0 : 0.0;
        }
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    return value;
}

}  // namespace tarvik
