# cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDOCDIR=... -DDATADIR=share
#       -DSAMPLES_DIR=... -DSAMPLES_LIST=... -P this file
file(REMOVE_RECURSE ${PREFIX})
# A tool run on the samples leaves its output beside them, as the Object Editor does.
set(stray ${SAMPLES_DIR}/object_editor/result/install_test_stray.jpg)
file(WRITE ${stray} "written by a tool, not by the sample generator")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
file(REMOVE ${stray})
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

# Exactly the files the generator listed are installed as samples.
file(STRINGS ${SAMPLES_LIST} listed)
list(SORT listed)
file(GLOB_RECURSE installed RELATIVE ${PREFIX}/${DATADIR}/lumivex/samples
     ${PREFIX}/${DATADIR}/lumivex/samples/*)
list(SORT installed)
list(LENGTH listed count)
if(count LESS 40 OR NOT installed STREQUAL listed)
  message(FATAL_ERROR "installed samples differ from the generator's list:\n${installed}\n"
                      "listed:\n${listed}")
endif()

set(samples ${PREFIX}/${DATADIR}/lumivex/samples)
foreach(file
    ${BINDIR}/lumivex
    ${BINDIR}/lumivex-batch
    ${DOCDIR}/index.html
    ${DOCDIR}/many_machines.html
    ${DOCDIR}/lumivex-batch.txt
    ${DOCDIR}/object_viewer.png
    ${DATADIR}/lumivex/samples/stereo/garden.jps
    ${DATADIR}/lumivex/samples/turntable/frame_36.jpg
    ${DATADIR}/lumivex/samples/views/views.mvw
    ${DATADIR}/lumivex/samples/color/points.txt
    ${DATADIR}/lumivex/samples/object_editor/project.oep
    ${DATADIR}/icons/hicolor/256x256/apps/lumivex.png
    ${DATADIR}/applications/lumivex.desktop)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${PREFIX}/${file}")
  endif()
endforeach()

# The menu entry starts the installed program by its full path and shows the installed icon.
file(READ ${PREFIX}/${DATADIR}/applications/lumivex.desktop entry)
if(NOT entry MATCHES "\nExec=\"${PREFIX}/${BINDIR}/lumivex\" %f\n" OR NOT entry MATCHES "\nIcon=lumivex\n")
  message(FATAL_ERROR "the menu entry does not name the installed program:\n${entry}")
endif()

# Started from somewhere else on the turntable frames, the installed program creates its
# windows, loads the frames, runs its event loop and ends cleanly.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LUMIVEX_QUIT_AFTER_START=1
          ${PREFIX}/${BINDIR}/lumivex ${samples}/turntable/frame_01.jpg
  WORKING_DIRECTORY ${PREFIX}
  RESULT_VARIABLE result TIMEOUT 120)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installed program did not end cleanly: ${result}")
endif()

# The batch program runs without a display and links no Qt library.
execute_process(COMMAND ${PREFIX}/${BINDIR}/lumivex-batch correct --help
                RESULT_VARIABLE result OUTPUT_VARIABLE help)
if(NOT result EQUAL 0 OR NOT help MATCHES "Example:")
  message(FATAL_ERROR "the installed lumivex-batch gives no help: ${result}")
endif()
execute_process(COMMAND ldd ${PREFIX}/${BINDIR}/lumivex-batch OUTPUT_VARIABLE libraries RESULT_VARIABLE result)
if(result EQUAL 0 AND libraries MATCHES "libQt")
  message(FATAL_ERROR "lumivex-batch links Qt:\n${libraries}")
endif()
