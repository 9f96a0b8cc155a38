# SPDX-License-Identifier: Apache-2.0
# cmake -P script: install, then build and run tests/package/consumer against the install: with
# find_package from a project that asks for C++14 (the library's target raises it to C++17), and
# with make and pkg-config, whose paths must be the plain installed folders.
file(REMOVE_RECURSE ${WORK_DIR})
set(PREFIX ${WORK_DIR}/prefix)
# A library built with sanitizers needs its consumers built with them too.
set(EXTRA_FLAGS "")
if(SANITIZE)
  string(REPLACE ";" "," SANITIZE "${SANITIZE}")
  set(EXTRA_FLAGS "-fsanitize=${SANITIZE}")
endif()

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGV}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

# The last output, surrounding white space aside.
function(expect_output what wanted)
  string(STRIP "${LAST_OUTPUT}" got)
  if(NOT got STREQUAL "${wanted}")
    message(FATAL_ERROR "${what} printed '${LAST_OUTPUT}', not '${wanted}'")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})
foreach(f include/halcyoncommon/HalcyonCommon.h include/halcyoncommon/Platform/CString.h
          bin/halcyon lib/pkgconfig/halcyoncommon.pc
          lib/cmake/HalcyonCommon/HalcyonCommonConfig.cmake)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
foreach(f include/HalcyonCommon.h include/Platform include/NimbusLog)
  if(EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "installed outside the headers' own folder: ${f}")
  endif()
endforeach()

# find_package, from a project that asks for C++14 twice over
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -DCMAKE_PREFIX_PATH=${PREFIX}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_STANDARD=14
    "-DCMAKE_CXX_FLAGS=-std=c++14 ${EXTRA_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
expect_output("consumer" "DAT\\0010")

# pkg-config: the install's own folders, no relative steps
find_program(PKG_CONFIG pkg-config)
find_program(MAKE NAMES make gmake)
if(PKG_CONFIG AND MAKE)
  set(ENV{PKG_CONFIG_PATH} ${PREFIX}/lib/pkgconfig)
  run(${PKG_CONFIG} --cflags halcyoncommon)
  expect_output("pkg-config --cflags" "-I${PREFIX}/include/halcyoncommon")
  run(${PKG_CONFIG} --libs halcyoncommon)
  expect_output("pkg-config --libs" "-L${PREFIX}/lib -lHalcyonCommon")
  run(${MAKE} -s -C ${CONSUMER_DIR} OUT=${WORK_DIR} CXX=${CXX} "CXXFLAGS=${EXTRA_FLAGS}"
      "LDFLAGS=-Wl,-rpath,${PREFIX}/lib ${EXTRA_FLAGS}")
  run(${WORK_DIR}/consumer-pc)
  expect_output("pkg-config consumer" "DAT\\0010")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
