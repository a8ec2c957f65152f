# Run by ctest with -DSOURCE_DIR=<repository> -P. Includes point one way: a folder includes its
# own headers and those of folders of a strictly lower rank, never a higher or a sibling one.
# The build already refuses most such includes (a folder's target sees only the include
# directories of the folders it links); this check also catches what the include path cannot
# see: a relative path into another folder ("../engine/X.h"), a forward declaration of a higher
# folder's class ("class BasicLayer;" in core/), and the installed SDK names, which all come from
# one mirrored directory.
# host/ and tools/ are built like outside hosts and include our headers only the way the
# installed SDK names them. tests/ and bench/ measure the inside and may include anything.
#
# Each header of a ranked folder is known by its path relative to that folder ("Log.h",
# "xsignals/xsignals.h"); the SDK names <previewengine/...>, <appcommon/...> and
# <guifoundation/...> map to the folders the installed headers come from. Anything else (Qt,
# the C++ library, generated files) is not ours and is not checked.

set(ranked_folders
    hostlibs/guifoundation 0
    hostlibs/appcommon 1
    include/previewengine 2
    core 3
    settings 4
    compositing 5
    widgets 5
    scene 6
    editors 7
    engine 8)
set(sdk_prefixes previewengine include/previewengine appcommon hostlibs/appcommon
    guifoundation hostlibs/guifoundation)
set(sdk_only_folders host tools)

set(folders "")
while(ranked_folders)
    list(POP_FRONT ranked_folders folder rank)
    list(APPEND folders ${folder})
    set(rank_of_${folder} ${rank})
endwhile()

# header name -> folder, refusing a name that two folders both define: which one an include
# means would depend on the include path's order.
set(problems "")
foreach(folder IN LISTS folders)
    file(GLOB_RECURSE headers RELATIVE ${SOURCE_DIR}/${folder} ${SOURCE_DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
        if(DEFINED folder_of_${header} AND NOT folder_of_${header} STREQUAL folder)
            list(APPEND problems
                "${header} exists in both ${folder_of_${header}}/ and ${folder}/; give one another name")
        endif()
        set(folder_of_${header} ${folder})
    endforeach()
endforeach()

# The folder a header named in an include belongs to, or empty when it is not one of ours.
function(resolve_include name out_folder out_via_sdk)
    set(${out_via_sdk} FALSE PARENT_SCOPE)
    set(prefixes ${sdk_prefixes})
    while(prefixes)
        list(POP_FRONT prefixes prefix folder)
        if(name MATCHES "^${prefix}/(.+)$")
            set(rest ${CMAKE_MATCH_1})
            if(EXISTS ${SOURCE_DIR}/${folder}/${rest})
                set(${out_folder} ${folder} PARENT_SCOPE)
                set(${out_via_sdk} TRUE PARENT_SCOPE)
                return()
            endif()
        endif()
    endwhile()
    if(DEFINED folder_of_${name})
        set(${out_folder} ${folder_of_${name}} PARENT_SCOPE)
        return()
    endif()
    set(${out_folder} "" PARENT_SCOPE)
endfunction()

function(check_file file own_folder)
    file(READ ${SOURCE_DIR}/${file} content)
    # One list element per line: keep the characters lists treat specially out of the way.
    string(REPLACE ";" "," content "${content}")
    string(REPLACE "[" "(" content "${content}")
    string(REPLACE "]" ")" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    get_filename_component(file_dir ${file} DIRECTORY)
    set(found "")
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        if(line MATCHES "^[ \t]*(class|struct)[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]*,")
            # A forward declaration ("class X;", its ';' turned into ',' above) names a class
            # without its header; one from a higher folder is the same dependency as an include.
            set(declared ${CMAKE_MATCH_2})
            if(DEFINED folder_of_${declared}.h AND DEFINED rank_of_${own_folder})
                set(target ${folder_of_${declared}.h})
                if(NOT target STREQUAL own_folder
                   AND NOT rank_of_${target} LESS rank_of_${own_folder})
                    list(APPEND found "${file}:${number} declares ${declared}, a class of \
${target}/, which is not below ${own_folder}/: hand ${own_folder}/ an interface of its own")
                endif()
            endif()
            continue()
        endif()
        if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
            continue()
        endif()
        set(name ${CMAKE_MATCH_1})
        if(EXISTS ${SOURCE_DIR}/${file_dir}/${name})
            # Found beside the including file. The compiler keeps the folders apart by their
            # include directories, but a relative path ("../engine/X.h") walks around them.
            get_filename_component(resolved ${SOURCE_DIR}/${file_dir}/${name} ABSOLUTE)
            file(RELATIVE_PATH resolved ${SOURCE_DIR} ${resolved})
            if(NOT resolved MATCHES "^${own_folder}/")
                list(APPEND found "${file}:${number} includes \"${name}\", which is ${resolved}, \
outside ${own_folder}/: include another folder's header by its name, from a folder that links it")
            endif()
            continue()
        endif()
        resolve_include(${name} target via_sdk)
        if(target STREQUAL "" OR target STREQUAL own_folder)
            continue()
        endif()
        if(DEFINED rank_of_${own_folder})
            if(NOT rank_of_${target} LESS rank_of_${own_folder})
                if(rank_of_${target} EQUAL rank_of_${own_folder})
                    set(where "which sits beside ${own_folder}/, not below it")
                else()
                    set(where "which sits above ${own_folder}/")
                endif()
                list(APPEND found "${file}:${number} includes <${name}> from ${target}/, ${where}")
            endif()
        elseif(NOT via_sdk)
            list(APPEND found "${file}:${number} includes <${name}> from ${target}/, but \
${own_folder}/ uses only the installed SDK's names (<previewengine/...>, <appcommon/...>, \
<guifoundation/...>)")
        endif()
    endforeach()
    set(problems ${problems} ${found} PARENT_SCOPE)
endfunction()

foreach(folder IN LISTS folders sdk_only_folders)
    file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
        ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        check_file(${source} ${folder})
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n" text)
    message(FATAL_ERROR "Includes must point one way, from higher folders to lower ones:\n${text}")
endif()
