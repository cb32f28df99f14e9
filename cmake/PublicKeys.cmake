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

# UPDATER_MIN_SERIAL: the lowest manifest serial the build accepts, so that a
# fresh installation (no updater.serial yet) cannot be handed an older signed
# release. Empty with keys: the configure time as a Unix time, the clock
# `mkmanifest --sign` takes its default serial from; so a release signed after
# the build passes and anything signed before it does not. Without keys: 0.
set(UPDATER_MIN_SERIAL "" CACHE STRING "lowest manifest serial accepted; empty: the configure time (Unix) with keys")

# updater_min_serial(<setting> <keys list> <out var>): the floor as decimal text; fails on a bad setting.
function(updater_min_serial setting keys out_var)
  if(setting STREQUAL "")
    if(keys STREQUAL "")
      set(setting 0)
    else()
      string(TIMESTAMP setting "%s" UTC)
    endif()
  endif()
  # A 64-bit unsigned decimal: at most 20 digits, and up to 18446744073709551615.
  string(LENGTH "${setting}" length)
  if(NOT setting MATCHES "^[0-9]+$" OR length GREATER 20 OR
     (length EQUAL 20 AND setting STRGREATER "18446744073709551615"))
    message(FATAL_ERROR "UPDATER_MIN_SERIAL: '${setting}' is not a decimal number of 64 bits")
  endif()
  string(REGEX REPLACE "^0+([0-9])" "\\1" setting "${setting}")
  set(${out_var} "${setting}" PARENT_SCOPE)
endfunction()

updater_min_serial("${UPDATER_MIN_SERIAL}" "${UPDATER_PUBLIC_KEYS_LIST}" UPDATER_MIN_SERIAL_VALUE)
if(NOT UPDATER_PUBLIC_KEYS_LIST STREQUAL "")
  message(STATUS "Manifest serials accepted from ${UPDATER_MIN_SERIAL_VALUE} (UPDATER_MIN_SERIAL)")
endif()
