# Runs one test program with its own, empty XDG directories, so no test reads or writes the
# user's real settings, log or cache, and no earlier run's files change a result.
file(REMOVE_RECURSE ${HOME_DIR})
file(MAKE_DIRECTORY ${HOME_DIR}/config ${HOME_DIR}/state ${HOME_DIR}/cache)
set(ENV{XDG_CONFIG_HOME} ${HOME_DIR}/config)
set(ENV{XDG_STATE_HOME} ${HOME_DIR}/state)
set(ENV{XDG_CACHE_HOME} ${HOME_DIR}/cache)
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND ${TEST_PROGRAM} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TEST_PROGRAM} failed: ${result}")
endif()
