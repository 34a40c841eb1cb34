#include "fram_log.h"

#include "car_profile.h"
#include "link/controller_protocol.h"

namespace tarvik::sim {

using namespace fram_layout;

namespace {

void putRingStart(std::vector<quint8>& fram, int address) {
    fram[kRingStartLow] = static_cast<quint8>(address & 0xFF);
    fram[kRingStartHigh] = static_cast<quint8>((address >> 8) & 0xFF);
}

std::vector<quint8> headerOnly() {
    std::vector<quint8> fram(protocol::kFramSize, 0);
    // The header carries the controller's own bookkeeping; the program reads only 35/36.
    for (int i = 0; i < kRingBase; ++i) {
        fram[static_cast<size_t>(i)] = static_cast<quint8>((i * 37 + 11) & 0xFF);
    }
    return fram;
}

}  // namespace

std::vector<quint8> makeStripDayLog(double intervalSeconds, int oldestSlot, bool speedInMph) {
    std::vector<quint8> fram = headerOnly();
    const int first = ((oldestSlot % kRecordCount) + kRecordCount) % kRecordCount;
    putRingStart(fram, kRingBase + kRecordSize * first);
    const double total = intervalSeconds * kRecordCount;
    // Four passes spread over the log, the last one close to its end.
    const double passes[] = {total * 0.10 + 12, total * 0.34 + 12, total * 0.58 + 12,
                             total * 0.82 + 12};
    for (int k = 0; k < kRecordCount; ++k) {
        const CarSample s = carAt(k * intervalSeconds, passes, 4, speedInMph);
        const int slot = (first + k) % kRecordCount;
        quint8* r = &fram[static_cast<size_t>(kRingBase + kRecordSize * slot)];
        r[0] = static_cast<quint8>(s.rpm & 0xFF);
        r[1] = static_cast<quint8>(s.rpm >> 8);
        r[2] = s.speed;
        r[3] = s.tps;
        r[4] = s.input1;
        r[5] = s.input2;
        r[6] = s.battery;
        r[7] = s.inputBits;
        r[8] = s.outputBits;
        r[9] = s.status;
        r[10] = s.stage1Pwm;
        r[11] = s.stage2Pwm;
    }
    return fram;
}

std::vector<quint8> makeErasedLog() {
    std::vector<quint8> fram = headerOnly();
    for (int a = kRingBase; a < protocol::kFramSize; ++a) {
        fram[static_cast<size_t>(a)] = 0;
    }
    putRingStart(fram, kRingBase);
    return fram;
}

}  // namespace tarvik::sim
