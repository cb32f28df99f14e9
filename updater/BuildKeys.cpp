#include "updater/BuildKeys.h"

#ifndef UPDATER_PUBLIC_KEYS
#define UPDATER_PUBLIC_KEYS ""
#endif
#ifndef UPDATER_MIN_SERIAL
#define UPDATER_MIN_SERIAL 0
#endif

const char* BuildPublicKeysText() {
    return UPDATER_PUBLIC_KEYS;
}

// Pasted as a 64-bit literal: a configure-time Unix time outgrows 32 bits in 2038.
#define UPDATER_U64_LITERAL(n) UINT64_C(n)
#define UPDATER_U64(n) UPDATER_U64_LITERAL(n)

uint64_t BuildMinSerial() {
    return UPDATER_U64(UPDATER_MIN_SERIAL);
}
