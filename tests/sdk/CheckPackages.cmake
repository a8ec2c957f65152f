# Run by ctest with -P. Packs the build tree with cpack, unpacks both Debian packages into an
# empty tree, and checks them the way a host developer meets them: the files where the
# Filesystem Hierarchy Standard puts them, the dependencies declared, one exported symbol, a
# pkg-config file that works from where it lies, an outside host built with
# find_package(PreviewEngine) that gets a frame back, and the packaged previewhost running.
# Every step must succeed, or the test fails with the step's output.
function(run_step description)
    execute_process(COMMAND ${ARGN}
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${description} failed (${result}):\n${output}\n${error}")
    endif()
    set(STEP_OUTPUT "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(root ${WORK_DIR}/root)
file(MAKE_DIRECTORY ${root})

run_step("cpack" ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/packages)
file(GLOB sdk_deb ${WORK_DIR}/packages/previewengine-sdk_*.deb)
file(GLOB host_deb ${WORK_DIR}/packages/previewhost_*.deb)
if(NOT sdk_deb OR NOT host_deb)
    message(FATAL_ERROR "cpack made no previewengine-sdk and previewhost packages")
endif()

# Dependencies: the host needs this very SDK; both need the Qt libraries they link.
run_step("sdk Depends" ${DPKG_DEB} -f ${sdk_deb} Depends)
if(NOT STEP_OUTPUT MATCHES "libqt6widgets6" OR NOT STEP_OUTPUT MATCHES "qt6-base-dev")
    message(FATAL_ERROR "previewengine-sdk depends on: ${STEP_OUTPUT}")
endif()
run_step("host Depends" ${DPKG_DEB} -f ${host_deb} Depends)
if(NOT STEP_OUTPUT MATCHES "previewengine-sdk \\(= [0-9.]+\\)" OR
   NOT STEP_OUTPUT MATCHES "libqt6multimedia6")
    message(FATAL_ERROR "previewhost depends on: ${STEP_OUTPUT}")
endif()

foreach(deb ${sdk_deb} ${host_deb})
    # Everything under /usr, nothing in /usr/local or beside the program's folder in bin/.
    run_step("list ${deb}" ${DPKG_DEB} --contents ${deb})
    # Each line ends "hh:mm ./path" (and " -> target" for a link).
    string(REGEX MATCHALL "[0-9]:[0-9][0-9] \\./[^ \n]*" paths "${STEP_OUTPUT}")
    list(TRANSFORM paths REPLACE "^[0-9]:[0-9][0-9] " "")
    foreach(path IN LISTS paths)
        if(NOT path MATCHES "^\\./usr/(bin|lib|include|share)?/?" OR path MATCHES "^\\./usr/local" OR
           path MATCHES "^\\./usr/bin/.+/")
            message(FATAL_ERROR "${deb} installs ${path}")
        endif()
    endforeach()
    run_step("unpack ${deb}" ${DPKG_DEB} -x ${deb} ${root})
endforeach()

set(prefix ${root}/usr)
file(GLOB_RECURSE engine_library ${prefix}/lib/libpreviewengine.so)
file(GLOB_RECURSE cmake_package ${prefix}/lib/*/PreviewEngineConfig.cmake)
file(GLOB_RECURSE pc_file ${prefix}/lib/*/previewengine.pc)
file(GLOB_RECURSE host_program ${prefix}/lib/previewhost/previewhost)
foreach(found engine_library cmake_package pc_file host_program)
    if(NOT ${found})
        message(FATAL_ERROR "the packages lack ${found}")
    endif()
endforeach()
foreach(file
        include/previewengine/IPreviewEngine.h
        include/appcommon/sigslot.h
        share/previewengine/translations/zh-CN.qm
        share/fontconfig/conf.avail/65-previewengine-cjk.conf
        bin/previewhost
        lib/previewhost/language/zh-CN.qm)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the packages lack /usr/${file}")
    endif()
endforeach()

# Exactly one symbol of ours is visible to hosts.
run_step("nm" ${NM} -D --defined-only ${engine_library})
string(REGEX MATCHALL "[^\n]+" lines "${STEP_OUTPUT}")
foreach(line IN LISTS lines)
    if(NOT line MATCHES " createPreviewEngine$")
        message(FATAL_ERROR "libpreviewengine.so exports more than createPreviewEngine: ${line}")
    endif()
endforeach()

# pkg-config users get flags that find the self-contained interface header.
get_filename_component(pc_dir ${pc_file} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
run_step("pkg-config" ${PKG_CONFIG} --cflags --libs previewengine)
separate_arguments(pc_flags UNIX_COMMAND "${STEP_OUTPUT}")
file(WRITE ${WORK_DIR}/pc_check.cpp
    "#include <previewengine/IPreviewEngine.h>\nint main() { return sizeof(tagSIZE) == 8 ? 0 : 1; }\n")
run_step("pkg-config build" c++ -std=c++17 ${WORK_DIR}/pc_check.cpp ${pc_flags}
    -o ${WORK_DIR}/pc_check)

# An outside host built against the unpacked SDK alone.
set(ENV{QT_QPA_PLATFORM} offscreen)
run_step("configure host" ${CMAKE_COMMAND} -S ${HOST_SOURCE_DIR} -B ${WORK_DIR}/host
    -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run_step("build host" ${CMAKE_COMMAND} --build ${WORK_DIR}/host)
run_step("run host" ${WORK_DIR}/host/sdk_smoke)
message(STATUS "${STEP_OUTPUT}")

# The packaged reference host, started through its /usr/bin link, finds the engine and its
# translation where the packages put them.
get_filename_component(libdir ${engine_library} DIRECTORY)
set(ENV{LD_LIBRARY_PATH} ${libdir})
foreach(variable XDG_CONFIG_HOME XDG_STATE_HOME XDG_CACHE_HOME)
    set(ENV{${variable}} ${WORK_DIR}/home)
endforeach()
run_step("run previewhost" ${prefix}/bin/previewhost --headless --seconds 1
    --output ${WORK_DIR}/out)
if(NOT STEP_OUTPUT MATCHES "loaded ${libdir}/libpreviewengine.so" OR
   NOT STEP_OUTPUT MATCHES "wrote [1-9][0-9]* frames")
    message(FATAL_ERROR "the packaged previewhost did not run as it should:\n${STEP_OUTPUT}")
endif()
