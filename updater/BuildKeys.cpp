#include "updater/BuildKeys.h"

#ifndef UPDATER_PUBLIC_KEYS
#define UPDATER_PUBLIC_KEYS ""
#endif

const char* BuildPublicKeysText() {
    return UPDATER_PUBLIC_KEYS;
}
