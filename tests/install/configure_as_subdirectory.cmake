# Configures (without building) a small outer project that takes this one in with
# add_subdirectory, the way a larger build would embed it. Fails when any path in the
# project's CMake files assumes that it is the top-level project.
# Expects SOURCE_DIR (this project's root), WORK_DIR (a scratch folder) and GENERATOR.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/outer)
file(WRITE ${WORK_DIR}/outer/CMakeLists.txt
  "cmake_minimum_required(VERSION 3.22)\n"
  "project(outer LANGUAGES CXX)\n"
  "add_subdirectory(\"${SOURCE_DIR}\" lumivex)\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK_DIR}/outer -B ${WORK_DIR}/build -G ${GENERATOR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The project does not configure inside another one:\n${output}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
