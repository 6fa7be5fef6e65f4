# The layers of src/, bottom up. Each folder is one library, tess_<folder> (the command-line
# tool's folder holds programs instead); each line names a folder and the folders right below
# it that it uses. A folder's code includes the headers of its own folder and of the folders
# below it (those it names and theirs), nothing else, and its library links exactly the
# libraries of the folders it names. No folder may name one that comes after it, so the
# folders form no circle.
#
#   core      text, code page, Windows paths, file operations, errors, integers
#   platform  the program folder and its lock, the console, running batches, opening files
#   archive   the game's archive format: read, write, list
#   batch     the interpreter of the batch files the system writes
#   intake    choosing, unpacking and inspecting a map
#   scripts   the bot scripts Start writes, the review editor
#   areas     the strategic areas: editor, script, files, the level's own, the control points
#   pathmaps  the game's pathmaps: reading, drawing, retouching, writing, the terrain
#   packing   the first pack, the pathmap import, the final pack, the network merge
#   checks    the addon check
#   cli       tessarine-cli and the archive tools rfaPack and rfaunpack
#   app       the window (the only folder that sees Qt)
#
# The system halves of core (platform/*_linux.cpp, platform/*_windows.cpp: what core's file
# operations and texts need of the operating system) lie with the other system code in
# platform/ but belong to tess_core, and see core alone.
#
# The build gives each library an include folder of its own in the build tree holding links
# to exactly the folders it may see, so that including a header from above fails to compile;
# the test "layers_includes" reads every #include of src/ against this list as well.
set(TESS_LAYERS
    "core"
    "platform  core"
    "archive   core"
    "batch     platform archive"
    "intake    batch"
    "scripts   intake"
    "areas     core"
    "pathmaps  areas"
    "packing   scripts"
    "checks    packing pathmaps"
    "cli       checks"
    "app       checks")

# TESS_LAYER_FOLDERS: the folders, bottom up. TESS_LAYER_USES_<folder>: the folders it names.
# TESS_LAYER_SEES_<folder>: the folder and every folder below it that it may include.
set(TESS_LAYER_FOLDERS)
foreach(line IN LISTS TESS_LAYERS)
    string(REGEX REPLACE " +" ";" words "${line}")
    list(POP_FRONT words folder)
    set(sees ${folder})
    foreach(used IN LISTS words)
        if(NOT DEFINED TESS_LAYER_SEES_${used})
            message(FATAL_ERROR "Layer ${folder} names ${used}, which is not below it")
        endif()
        list(APPEND sees ${TESS_LAYER_SEES_${used}})
    endforeach()
    list(REMOVE_DUPLICATES sees)
    set(TESS_LAYER_USES_${folder} ${words})
    set(TESS_LAYER_SEES_${folder} ${sees})
    list(APPEND TESS_LAYER_FOLDERS ${folder})
endforeach()

# Gives `target`, built from the folder `folder`, the include folder of its layer: links to
# the folders it sees. Where links cannot be made (Windows without the right to make them),
# the target sees all of src/, and the layers test alone keeps the layers.
function(tess_layer_includes target folder)
    if(NOT DEFINED TESS_LAYER_SEES_${folder})
        message(FATAL_ERROR "${folder} is not in the layer list (cmake/layers.cmake)")
    endif()
    set(include_dir ${CMAKE_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${include_dir})
    file(GLOB present LIST_DIRECTORIES true RELATIVE ${include_dir} ${include_dir}/*)
    foreach(name IN LISTS present)
        if(NOT name IN_LIST TESS_LAYER_SEES_${folder})
            file(REMOVE ${include_dir}/${name})
        endif()
    endforeach()
    set(linked TRUE)
    foreach(seen IN LISTS TESS_LAYER_SEES_${folder})
        set(link ${include_dir}/${seen})
        set(source ${CMAKE_SOURCE_DIR}/src/${seen})
        if(IS_SYMLINK ${link})
            file(READ_SYMLINK ${link} points_to)
            if(points_to STREQUAL source)
                continue()
            endif()
            file(REMOVE ${link})
        endif()
        file(CREATE_LINK ${source} ${link} RESULT result SYMBOLIC)
        if(NOT result EQUAL 0)
            set(linked FALSE)
        endif()
    endforeach()
    if(linked)
        target_include_directories(${target} PUBLIC ${include_dir})
    else()
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    endif()
endfunction()

# The include folder of its layer, and the libraries of the folders it names.
function(tess_layer target folder)
    tess_layer_includes(${target} ${folder})
    foreach(used IN LISTS TESS_LAYER_USES_${folder})
        target_link_libraries(${target} PUBLIC tess_${used})
    endforeach()
endfunction()
