// The public keys this build trusts for manifests: the text of the build
// setting UPDATER_PUBLIC_KEYS, empty when it was not given.
#pragma once

const char* BuildPublicKeysText();
