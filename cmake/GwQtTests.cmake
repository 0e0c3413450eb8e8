# Helpers for the Qt test folders.

# gw_test_home(VAR [NAME]): makes a private HOME and XDG folders under this
# folder's build tree (test-home, or test-home/NAME) and sets VAR to the
# matching environment list, so tests never read or write the user's
# settings, desktop entries or caches, nor, with a NAME each, one another's
# when ctest runs them side by side.
function(gw_test_home var)
    set(home ${CMAKE_CURRENT_BINARY_DIR}/test-home)
    if(ARGC GREATER 1)
        set(home ${home}/${ARGV1})
    endif()
    file(MAKE_DIRECTORY
        ${home}/home ${home}/config ${home}/data ${home}/cache ${home}/state ${home}/runtime)
    # Qt ignores a runtime folder that others can read.
    file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(${var}
        HOME=${home}/home
        XDG_CONFIG_HOME=${home}/config
        XDG_DATA_HOME=${home}/data
        XDG_CACHE_HOME=${home}/cache
        XDG_STATE_HOME=${home}/state
        XDG_RUNTIME_DIR=${home}/runtime
        PARENT_SCOPE)
endfunction()

# gw_add_qt_tests(PREFIX LIBS lib... [SOURCES extra...]): one Qt Test program
# per *_test.cpp in the current source folder, run on the offscreen platform
# with a private HOME. Qt Test's own crash handler is off (-nocrashhandler):
# it would take SIGSEGV away from the undo store's write-fault filter.
function(gw_add_qt_tests prefix)
    cmake_parse_arguments(ARG "" "" "LIBS;SOURCES" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    foreach(source IN LISTS sources)
        get_filename_component(name ${source} NAME_WE)
        gw_test_home(env ${name})
        add_executable(gw_${prefix}_${name} ${source} ${ARG_SOURCES})
        set_target_properties(gw_${prefix}_${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(gw_${prefix}_${name} PRIVATE ${ARG_LIBS} Qt6::Test)
        add_test(NAME ${prefix}_${name} COMMAND gw_${prefix}_${name} -nocrashhandler)
        set_tests_properties(${prefix}_${name} PROPERTIES
            TIMEOUT 60
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${env}")
    endforeach()
endfunction()
