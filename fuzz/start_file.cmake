# A start.env of any content beside the plug-in, read as on every drawing.
drw_fuzz_target(fuzz_start_file ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_start_file.cpp drw_plugin
                drw_config drw_platform)
