# Precompiled headers for the heavy library headers: Qt's and GoogleTest's
# take most of the compile time of a window or test file. Off by default:
# ccache cannot reuse a compile that reads a precompiled header, and in a
# folder built again and again the cache saves more. scripts/test.sh turns
# them on: a fresh machine has an empty cache.
option(RYX_PRECOMPILE_HEADERS "Precompile the Qt and GoogleTest headers" OFF)

# Qt headers nearly every window file reads.
set(RYX_QT_HEADERS <QString> <QWidget> <QPainter> <QDialog> <QLabel> <QPushButton> <QComboBox>)

#   ryx_precompile_headers(<target> <header> ...)
# Per target, so that the header is compiled with exactly the target's flags;
# and only for targets of six files or more: precompiling costs what four or
# five files spend reading the headers (measured with gcc -O2 -g: GoogleTest's
# header takes 3.7 s and saves 0.9 s a file; the Qt headers 8.6 s and 1.3-1.8 s).
function(ryx_precompile_headers target)
  if(NOT RYX_PRECOMPILE_HEADERS)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(LENGTH sources count)
  if(count GREATER_EQUAL 6)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# GoogleTest's header for a test target.
function(ryx_precompile_test_headers target)
  ryx_precompile_headers(${target} <gtest/gtest.h> ${ARGN})
endfunction()
