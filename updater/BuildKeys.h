// The build's trust settings: the public keys it trusts for manifests (the
// text of UPDATER_PUBLIC_KEYS, empty when it was not given) and the lowest
// manifest serial it accepts (UPDATER_MIN_SERIAL; with keys and no setting,
// the Unix time the build was configured at).
#pragma once

#include <cstdint>

const char* BuildPublicKeysText();
uint64_t BuildMinSerial();
