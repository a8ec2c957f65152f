# Run by ctest with -P. Every step must succeed, or the test fails with the step's output.
function(run_step description)
    execute_process(COMMAND ${ARGN}
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${description} failed (${result}):\n${output}\n${error}")
    endif()
    set(STEP_OUTPUT "${output}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

run_step("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file
        include/previewengine/IPreviewEngine.h
        include/previewengine/HostTypes.h
        include/previewengine/xsignals/xsignals.h
        include/appcommon/sigslot.h
        lib/libpreviewengine.so
        lib/libappcommon.so
        lib/libguifoundation.so
        lib/cmake/PreviewEngine/PreviewEngineConfig.cmake
        lib/pkgconfig/previewengine.pc
        share/previewengine/translations/zh-CN.qm
        bin/previewhost
        bin/language/zh-CN.qm)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the SDK lacks ${file}")
    endif()
endforeach()

# Exactly one symbol of ours is visible to hosts.
run_step("nm" ${NM} -D --defined-only ${prefix}/lib/libpreviewengine.so)
string(REGEX MATCHALL "[^\n]+" lines "${STEP_OUTPUT}")
foreach(line IN LISTS lines)
    if(NOT line MATCHES " createPreviewEngine$")
        message(FATAL_ERROR "libpreviewengine.so exports more than createPreviewEngine: ${line}")
    endif()
endforeach()
if(NOT STEP_OUTPUT MATCHES " T createPreviewEngine")
    message(FATAL_ERROR "libpreviewengine.so does not export createPreviewEngine")
endif()

# pkg-config users get compiler flags that find the self-contained interface header.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run_step("pkg-config" ${PKG_CONFIG} --cflags --libs previewengine)
if(NOT STEP_OUTPUT MATCHES "-lpreviewengine")
    message(FATAL_ERROR "pkg-config gives no -lpreviewengine: ${STEP_OUTPUT}")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${STEP_OUTPUT}")
file(WRITE ${WORK_DIR}/pc_check.cpp
    "#include <previewengine/IPreviewEngine.h>\nint main() { return sizeof(tagSIZE) == 8 ? 0 : 1; }\n")
run_step("pkg-config build" c++ -std=c++17 ${WORK_DIR}/pc_check.cpp ${pc_flags}
    -o ${WORK_DIR}/pc_check)

# A host built against the installed package alone, loading the engine at run time.
run_step("configure host" ${CMAKE_COMMAND} -S ${HOST_SOURCE_DIR} -B ${WORK_DIR}/host
    -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix})
run_step("build host" ${CMAKE_COMMAND} --build ${WORK_DIR}/host)
set(ENV{QT_QPA_PLATFORM} offscreen)
run_step("run host" ${WORK_DIR}/host/sdk_host)
message(STATUS "${STEP_OUTPUT}")
