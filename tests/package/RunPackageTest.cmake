# cmake -P script: install, then build and run tests/package/consumer against the install.
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

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})
foreach(f include/HalcyonCommon.h bin/halcyon lib/pkgconfig/halcyoncommon.pc
          lib/cmake/HalcyonCommon/HalcyonCommonConfig.cmake)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# find_package
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -DCMAKE_PREFIX_PATH=${PREFIX}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS=${EXTRA_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
if(NOT LAST_OUTPUT STREQUAL "DAT\\0010\n")
  message(FATAL_ERROR "consumer printed '${LAST_OUTPUT}'")
endif()

# pkg-config
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  set(ENV{PKG_CONFIG_PATH} ${PREFIX}/lib/pkgconfig)
  run(${PKG_CONFIG} --cflags --libs halcyoncommon)
  string(STRIP "${LAST_OUTPUT}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(${CXX} -std=c++17 ${EXTRA_FLAGS} ${CONSUMER_DIR}/main.cpp ${flags} -Wl,-rpath,${PREFIX}/lib
      -o ${WORK_DIR}/consumer-pc)
  run(${WORK_DIR}/consumer-pc)
  if(NOT LAST_OUTPUT STREQUAL "DAT\\0010\n")
    message(FATAL_ERROR "pkg-config consumer printed '${LAST_OUTPUT}'")
  endif()
endif()
file(REMOVE_RECURSE ${WORK_DIR})
