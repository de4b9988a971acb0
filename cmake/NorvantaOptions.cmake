# One interface target carries the language level and the warning policy for every
# target of ours; third-party code never sees -Werror.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

find_package(Threads REQUIRED)

# Qt is only for the window side (ui/, res/, app/); the service code never sees it, so a
# build without the window side needs no Qt at all.
option(NORVANTA_WINDOW_SIDE "Build the window side (ui/, res/, the dialog of app/) with Qt" ON)
if(NORVANTA_WINDOW_SIDE)
  # Without this check a cross build would go on with the host's Linux Qt and fail late.
  if(WIN32 AND NOT EXISTS "${NORVANTA_QT_WINDOWS_PREFIX}/lib/cmake/Qt6")
    message(FATAL_ERROR "No Qt for Windows in '${NORVANTA_QT_WINDOWS_PREFIX}': run scripts/build-qt-windows ${CMAKE_SYSTEM_PROCESSOR}")
  endif()
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
endif()

add_library(norvanta_options INTERFACE)
target_compile_features(norvanta_options INTERFACE cxx_std_20)
target_compile_options(norvanta_options INTERFACE -Wall -Wextra -Werror)

if(NORVANTA_SANITIZE)
  set(NORVANTA_SANITIZER_FLAGS
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(norvanta_options INTERFACE ${NORVANTA_SANITIZER_FLAGS})
  target_link_options(norvanta_options INTERFACE ${NORVANTA_SANITIZER_FLAGS})
endif()

if(NORVANTA_SANITIZE_THREAD)
  if(NORVANTA_SANITIZE)
    message(FATAL_ERROR "ThreadSanitizer cannot be combined with AddressSanitizer")
  endif()
  set(NORVANTA_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(norvanta_options INTERFACE ${NORVANTA_SANITIZER_FLAGS})
  target_link_options(norvanta_options INTERFACE ${NORVANTA_SANITIZER_FLAGS})
endif()

if(NORVANTA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "NORVANTA_FUZZ needs clang (configure with the 'fuzz' preset)")
  endif()
  # Library code gets coverage instrumentation; only fuzz targets link the fuzzer main.
  target_compile_options(norvanta_options INTERFACE
      -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(norvanta_options INTERFACE -fsanitize=address,undefined)
endif()

# norvanta_include_root(<target> <PUBLIC|PRIVATE|INTERFACE> <folder>...)
# Lets target include the headers of each folder (as the project names it: "platform",
# "tools/devservice") by their path from the top ("platform/Socket.h"), and nothing else
# of the tree. Each folder has an include root of its own in the build tree, holding one
# link to it, so that a header of a folder the target does not link is not found.
function(norvanta_include_root target scope)
  foreach(folder IN LISTS ARGN)
    string(REPLACE "/" "_" key ${folder})
    set(root ${PROJECT_BINARY_DIR}/include-roots/${key})
    if(NOT IS_SYMLINK ${root}/${folder})
      get_filename_component(parent ${root}/${folder} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} ${scope} ${root})
  endforeach()
endfunction()

# norvanta_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# Declares the static library norvanta_<name> of one subsystem folder: it and what links
# it see the folder's headers.
function(norvanta_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(norvanta_${name} STATIC ${ARG_SOURCES})
  target_link_libraries(norvanta_${name}
      PUBLIC norvanta_options ${ARG_PUBLIC_LIBS}
      PRIVATE ${ARG_PRIVATE_LIBS})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  norvanta_include_root(norvanta_${name} PUBLIC ${folder})
endfunction()

# norvanta_qt_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A subsystem library on the window side, with Qt's meta-object compiler switched on.
function(norvanta_qt_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  norvanta_library(${name} SOURCES ${ARG_SOURCES}
      PUBLIC_LIBS Qt6::Widgets ${ARG_PUBLIC_LIBS} PRIVATE_LIBS ${ARG_PRIVATE_LIBS})
  set_target_properties(norvanta_${name} PROPERTIES AUTOMOC ON AUTORCC ON)
endfunction()

# Windows: the A and W functions are named in full (no UNICODE switch), and the remote
# access structures are those of Windows XP, which every later Windows accepts.
if(WIN32)
  target_compile_definitions(norvanta_options INTERFACE WINVER=0x0501 _WIN32_WINNT=0x0501)
endif()
