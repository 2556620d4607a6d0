# The language-file loader on arbitrary bytes, then message formatting with
# whatever translations it loaded.
drw_fuzz_target(fuzz_language_file ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_language_file.cpp
                drw_plugin_base drw_config)
