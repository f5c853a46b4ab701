# Checks that every file below src/ includes headers of the layers it may use
# only, so that the includes follow the data flow:
#   model <- crypt, storage <- engine <- gui <- app, with common/ below them all;
#   net (HTTP and WebDAV) beside storage, knowing neither storage nor the engine;
#   desktop (the session's keyring and notifications) for the window and app.
# Run as a script: cmake -DVELK_SOURCE_DIR=<root> -P cmake/check_layers.cmake
# Fails with one line per offending include, naming the file and the header.

cmake_minimum_required(VERSION 3.18)

if(NOT VELK_SOURCE_DIR)
  message(FATAL_ERROR "check_layers: VELK_SOURCE_DIR is not set")
endif()

# The layers each layer may include, itself first. app may include anything.
set(allowed_common common)
set(allowed_model model common)
set(allowed_crypt crypt model common)
set(allowed_storage storage model common)
set(allowed_net net common)
set(allowed_desktop desktop common)
set(allowed_engine engine storage net crypt model common)
set(allowed_gui gui engine desktop model common)

set(layers common model crypt storage net desktop engine gui)
set(violations "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files
    "${VELK_SOURCE_DIR}/src/${layer}/*.h"
    "${VELK_SOURCE_DIR}/src/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(RELATIVE_PATH relative "${VELK_SOURCE_DIR}" "${file}")
    # FLTK belongs to the window and the program entry only.
    file(STRINGS "${file}" fltk REGEX "^[ \t]*#[ \t]*include[ \t]*<FL/")
    if(fltk AND NOT layer STREQUAL "gui")
      string(APPEND violations "  ${relative} includes FLTK: only gui and app may\n")
    endif()
    # libcurl and expat belong to the network layer only, GLib's D-Bus and
    # libsecret to the desktop layer.
    file(STRINGS "${file}" wire REGEX "^[ \t]*#[ \t]*include[ \t]*<(curl/|expat)")
    if(wire AND NOT layer STREQUAL "net")
      string(APPEND violations "  ${relative} includes libcurl or expat: only net may\n")
    endif()
    file(STRINGS "${file}" bus REGEX "^[ \t]*#[ \t]*include[ \t]*<(libsecret/|gio/|glib)")
    if(bus AND NOT layer STREQUAL "desktop")
      string(APPEND violations "  ${relative} includes GLib or libsecret: only desktop may\n")
    endif()
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
      # A header named without a folder is a file of the same folder.
      if(NOT header MATCHES "/")
        continue()
      endif()
      string(REGEX REPLACE "/.*$" "" target "${header}")
      if(target IN_LIST allowed_${layer})
        continue()
      endif()
      string(REPLACE ";" ", " may "${allowed_${layer}}")
      string(APPEND violations
        "  ${relative} includes \"${header}\": ${layer} may use ${may} only\n")
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that break the layer rule:\n${violations}")
endif()
