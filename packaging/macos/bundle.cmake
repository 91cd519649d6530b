# macOS: Quillane.app
#
#   Quillane.app/Contents/Info.plist         from Info.plist.in
#   Quillane.app/Contents/Resources/quillane.icns
#   Quillane.app/Contents/MacOS/quillane     the program; QCoreApplication::applicationDirPath()
#   Quillane.app/Contents/MacOS/Pelmora      the extractor: the macOS *folder* build of yt-dlp
#                                            (yt-dlp_macos.zip unpacked, its folder beside it,
#                                            Pelmora being its launcher): it starts in about 0.3 s,
#                                            while the single-file build unpacks itself on every run
#                                            and takes 6 s or more per run
#   Quillane.app/Contents/MacOS/virarurov    ffmpeg (a static macOS build), ffprobe beside it
#   Quillane.app/Contents/MacOS/config.ini
#   Quillane.app/Contents/MacOS/Languages/
#   Quillane.app/Contents/MacOS/Help/        the local help page in each language
#
# Set QUILLANE_MACOS_TOOLS to a folder holding Pelmora (with its folder), virarurov and ffprobe.
# The program needs the Security framework for its relaunch with administrator rights.

set(QUILLANE_MACOS_TOOLS "" CACHE PATH "Folder with Pelmora, virarurov and ffprobe for the bundle")

set_target_properties(quillane PROPERTIES
  OUTPUT_NAME quillane
  MACOSX_BUNDLE TRUE
  MACOSX_BUNDLE_BUNDLE_NAME Quillane
  MACOSX_BUNDLE_GUI_IDENTIFIER org.quillane.Quillane
  MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
  MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
  MACOSX_BUNDLE_ICON_FILE quillane.icns
  MACOSX_BUNDLE_INFO_PLIST ${CMAKE_CURRENT_LIST_DIR}/Info.plist.in)
target_link_libraries(quillane PRIVATE "-framework Security")

# The icon, from the 1x/2x renderings of the logo.
set(_iconset ${CMAKE_BINARY_DIR}/quillane.iconset)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/quillane.icns
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_iconset}
  COMMAND sips -z 256 256 ${PROJECT_SOURCE_DIR}/packaging/icons/quillane-256.png --out ${_iconset}/icon_256x256.png
  COMMAND sips -z 128 128 ${PROJECT_SOURCE_DIR}/packaging/icons/quillane-256.png --out ${_iconset}/icon_128x128.png
  COMMAND sips -z 32 32 ${PROJECT_SOURCE_DIR}/packaging/icons/quillane-256.png --out ${_iconset}/icon_32x32.png
  COMMAND sips -z 16 16 ${PROJECT_SOURCE_DIR}/packaging/icons/quillane-256.png --out ${_iconset}/icon_16x16.png
  COMMAND iconutil -c icns ${_iconset} -o ${CMAKE_BINARY_DIR}/quillane.icns
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/icons/quillane-256.png)
target_sources(quillane PRIVATE ${CMAKE_BINARY_DIR}/quillane.icns)
set_source_files_properties(${CMAKE_BINARY_DIR}/quillane.icns PROPERTIES MACOSX_PACKAGE_LOCATION Resources)

# Everything that lies beside the program goes into Contents/MacOS.
set(_macos $<TARGET_FILE_DIR:quillane>)
add_custom_command(TARGET quillane POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_macos}/Languages
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/app/config.ini ${_macos}/config.ini
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLANE_LANGUAGE_FILES} ${_macos}/Languages/
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_macos}/Help
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLANE_HELP_FILES} ${_macos}/Help/
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${QUILLANE_MACOS_TOOLS} ${_macos}
  VERBATIM)

install(TARGETS quillane BUNDLE DESTINATION .)
