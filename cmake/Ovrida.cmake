# Helpers shared by every folder's CMakeLists.

# ovrida_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2)
# One GoogleTest executable; each TEST becomes its own CTest case, run from the source root so
# tests find tests/fixtures/ by a relative path.
function(ovrida_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE OVRIDA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" OVRIDA_BUILD_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# ovrida_bench(NAME SOURCES a.cpp LIBS lib1)
function(ovrida_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# ovrida_library(NAME LIBS dep1 dep2 [EXCLUDE file.cpp...]): one static library from every *.cpp of the
# calling folder (subfolders included) but the excluded ones. A folder with no sources yet gets an
# interface target so dependants link.
function(ovrida_library name)
  cmake_parse_arguments(L "" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(excluded IN LISTS L_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${L_LIBS})
  endif()
endfunction()

# ovrida_test_folder(NAME LIBS ...): every *.cpp of the calling tests folder in one executable.
function(ovrida_test_folder name)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    ovrida_test(${name} SOURCES ${sources} LIBS ${F_LIBS})
  endif()
endfunction()
