#include "branding/branding.h"

namespace tarvik {

Branding Branding::defaults() {
    Branding b;
    b.SplashLines = {QStringLiteral("Orvenna"), QStringLiteral("Arial"), QStringLiteral("28"),
                     QStringLiteral("bold italic"), QStringLiteral("Orvenna_Logo.gif")};
    b.BrandLines = {QStringLiteral("Orvenna"),
                    QStringLiteral("Orvenna Performance Electronics Ltd."),
                    QStringLiteral("1480 Foundry Road, Unit 7"),
                    QStringLiteral("Harlow Springs, OR 97420"),
                    QStringLiteral("Tel. (541) 555-0187"),
                    QStringLiteral("www.orvenna.example")};
    return b;
}

}  // namespace tarvik
