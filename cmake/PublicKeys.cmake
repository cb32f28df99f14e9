# UPDATER_PUBLIC_KEYS: the public keys whose signature a manifest must carry,
# each as `mkmanifest keygen` prints it (the base64 of the 64-byte point
# X || Y), separated by commas, blanks or semicolons. Empty: manifests are not
# checked, as before. A malformed key stops the configuration here rather than
# building an updater that would refuse every manifest.
set(UPDATER_PUBLIC_KEYS "" CACHE STRING "trusted manifest signing keys (mkmanifest keygen); empty: no checks")

# updater_normalize_public_keys(<text> <out var>): the keys joined by commas; fails on a bad key.
function(updater_normalize_public_keys text out_var)
  string(REGEX MATCHALL "[^,; \t\r\n]+" keys "${text}")
  foreach(key IN LISTS keys)
    # 64 bytes in base64: 85 free digits, one whose low bits are zero, "==".
    if(NOT key MATCHES "^[A-Za-z0-9+/]+[AQgw]==$")
      message(FATAL_ERROR "UPDATER_PUBLIC_KEYS: '${key}' is not a public key printed by mkmanifest keygen")
    endif()
    string(LENGTH "${key}" length)
    if(NOT length EQUAL 88)
      message(FATAL_ERROR "UPDATER_PUBLIC_KEYS: '${key}' is not a public key printed by mkmanifest keygen")
    endif()
  endforeach()
  string(JOIN "," joined ${keys})
  set(${out_var} "${joined}" PARENT_SCOPE)
endfunction()

updater_normalize_public_keys("${UPDATER_PUBLIC_KEYS}" UPDATER_PUBLIC_KEYS_LIST)
