# Declares the programs and the directories they run in.
#
# Every program runs in a working directory of its own that holds its executable
# and the three files Ogre reads there: "plugins.cfg", "ogre.cfg" (a saved windowed
# configuration of the GL render system, so that no dialog is shown) and
# "resources.cfg". The directory lies four levels below the build directory, at
# run/programs/<name>/bin, so that the programs' model paths
# "../../../../media/models/" land on <build>/media/models (see media/).

set(MARROWFIELD_MEDIA_DIR ${CMAKE_BINARY_DIR}/media)
set(MARROWFIELD_RUN_DIR ${CMAKE_BINARY_DIR}/run/programs)
# Working directories of programs that only tests run.
set(MARROWFIELD_TEST_RUN_DIR ${CMAKE_BINARY_DIR}/run/tests)

find_path(MARROWFIELD_FONT_DIR DejaVuSans.ttf
  PATHS /usr/share/fonts/truetype/dejavu
  DOC "Folder of the DejaVu fonts (Debian package fonts-dejavu-core)"
  REQUIRED)

# Plug-ins every program loads: the render system that draws fixed-function
# materials under Mesa's software GL, and the codec for PNG textures and screenshots.
set(MARROWFIELD_PLUGINS RenderSystem_GL Codec_STBI)

# Ogre loads each "Plugin=" entry from the one PluginFolder, so the programs that
# load plug-ins of ours get a folder in the build tree: ours are built into it,
# and the system's that every program loads are linked beside them. Ogre adds
# ".so.<its version>" to an entry without ".so"; ours are named so.
set(MARROWFIELD_PLUGIN_DIR ${CMAKE_BINARY_DIR}/run/plugins)
file(MAKE_DIRECTORY ${MARROWFIELD_PLUGIN_DIR})
foreach(plugin IN LISTS MARROWFIELD_PLUGINS)
  file(GLOB files RELATIVE ${OGRE_PLUGIN_DIR} ${OGRE_PLUGIN_DIR}/${plugin}.so*)
  foreach(file IN LISTS files)
    file(CREATE_LINK ${OGRE_PLUGIN_DIR}/${file} ${MARROWFIELD_PLUGIN_DIR}/${file} SYMBOLIC)
  endforeach()
endforeach()

# marrowfield_plugin(<name> <sources>...): an Ogre plug-in of ours, loaded as
# "Plugin=<name>" by the programs that list it under PLUGINS.
function(marrowfield_plugin name)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so.${OGRE_VERSION}"
    LIBRARY_OUTPUT_DIRECTORY ${MARROWFIELD_PLUGIN_DIR})
  marrowfield_ogre_warnings(${name})
endfunction()

# The terrain programs' scene manager type "TerrainSceneManager" (platform/terrain)
# and the resource location of their generated terrains (media/), for
#   marrowfield_program(<name> ... PLUGINS ${MARROWFIELD_TERRAIN_PLUGIN}
#                                  RESOURCES ${MARROWFIELD_TERRAIN_RESOURCES})
set(MARROWFIELD_TERRAIN_PLUGIN Plugin_TerrainSceneManager)
set(MARROWFIELD_TERRAIN_RESOURCES "FileSystem=${MARROWFIELD_MEDIA_DIR}/terrain")

# Resource locations every program gets, in Ogre's default group. Stencil
# shadows need the extrusion programs of Ogre's own "ShadowVolume" media.
set(MARROWFIELD_RESOURCE_LOCATIONS
  "FileSystem=${OGRE_MEDIA_DIR}/ShadowVolume"
  "FileSystem=${PROJECT_SOURCE_DIR}/media/materials"
  "FileSystem=${PROJECT_SOURCE_DIR}/media/overlays"
  "FileSystem=${MARROWFIELD_FONT_DIR}"
  "FileSystem=${MARROWFIELD_MEDIA_DIR}/textures"
  "FileSystem=${MARROWFIELD_MEDIA_DIR}/meshes")

# The resource locations of the programs that draw water: the sky box materials
# ("Sky/ClubTropicana", "Sky/EarlyMorning", "Sky/Clouds"), their generated
# faces, and the water configurations "WaterTest2.hdx" and "HydraxDemo.hdx", for
#   marrowfield_program(<name> ... RESOURCES ${MARROWFIELD_WATER_RESOURCES})
set(MARROWFIELD_WATER_RESOURCES
  "FileSystem=${PROJECT_SOURCE_DIR}/media/water"
  "FileSystem=${MARROWFIELD_MEDIA_DIR}/water")

# Under AddressSanitizer, everything that writes a PNG through Ogre 1.12.10's
# Codec_STBI plug-in (the texture generator, screenshots) would stop at once: the
# plug-in frees stb's malloc'd buffer with delete[]. That mismatch is the
# plug-in's own, so the check is off wherever Ogre runs. The programs also keep
# leak checking off: the GL render system and Mesa leave allocations in plug-ins
# that are unloaded before the check runs, so they can be neither told apart
# from ours nor suppressed by name. (The headless frame tests keep it on.)
set(MARROWFIELD_OGRE_TEST_ENVIRONMENT "")
set(MARROWFIELD_PROGRAM_TEST_ENVIRONMENT "")
if(MARROWFIELD_SANITIZE)
  set(MARROWFIELD_OGRE_TEST_ENVIRONMENT "ASAN_OPTIONS=alloc_dealloc_mismatch=0")
  set(MARROWFIELD_PROGRAM_TEST_ENVIRONMENT "ASAN_OPTIONS=alloc_dealloc_mismatch=0:detect_leaks=0")
endif()

# Ogre 1.12 deprecates the camera's and the light's own placement in favour of
# scene nodes; the programs' scenes are written against the camera's own pose.
function(marrowfield_ogre_warnings target)
  target_compile_options(${target} PRIVATE -Wno-deprecated-declarations)
endfunction()

# marrowfield_program(<name> SOURCES <files>...
#                     [LIBRARIES <targets>...]       further libraries (a water renderer)
#                     [PLUGINS <plug-ins>...]        further Ogre plug-ins of ours (marrowfield_plugin)
#                     [RESOURCES <lines>...]         further resources.cfg lines, "[Group]" or "Type=location"
#                     [TEST_PROGRAM])                run by a test only: not one of the programs
#                                                    (no end-to-end runs), its directory under run/tests
function(marrowfield_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "TEST_PROGRAM" "" "SOURCES;LIBRARIES;PLUGINS;RESOURCES")
  if(arg_TEST_PROGRAM)
    set(workdir ${MARROWFIELD_TEST_RUN_DIR}/${name}/bin)
  else()
    set(workdir ${MARROWFIELD_RUN_DIR}/${name}/bin)
  endif()

  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE frame ${arg_LIBRARIES})
  marrowfield_ogre_warnings(${name})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${workdir})
  add_dependencies(${name} media)

  set(plugins "PluginFolder=${OGRE_PLUGIN_DIR}\n")
  if(arg_PLUGINS)
    set(plugins "PluginFolder=${MARROWFIELD_PLUGIN_DIR}\n")
    add_dependencies(${name} ${arg_PLUGINS})
  endif()
  foreach(plugin IN LISTS MARROWFIELD_PLUGINS arg_PLUGINS)
    string(APPEND plugins "Plugin=${plugin}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${workdir}/plugins.cfg CONTENT "${plugins}")

  set(resources "[General]\n")
  foreach(line IN LISTS MARROWFIELD_RESOURCE_LOCATIONS arg_RESOURCES)
    string(APPEND resources "${line}\n")
  endforeach()
  file(CONFIGURE OUTPUT ${workdir}/resources.cfg CONTENT "${resources}")

  file(CONFIGURE OUTPUT ${workdir}/ogre.cfg CONTENT [[
Render System=OpenGL Rendering Subsystem

[OpenGL Rendering Subsystem]
Full Screen=No
Video Mode=800 x 600
VSync=No
FSAA=0
Fixed Pipeline Enabled=Yes
RTT Preferred Mode=FBO
sRGB Gamma Conversion=No
Display Frequency=N/A
]])

  if(NOT arg_TEST_PROGRAM)
    set_property(GLOBAL APPEND PROPERTY MARROWFIELD_PROGRAMS ${name})
  endif()
  set_property(GLOBAL PROPERTY MARROWFIELD_WORKDIR_${name} ${workdir})
endfunction()
