# Installs the show's pictures and module. Which pictures there are only zod-art knows (from the
# show's table), so it is asked here, when installing, rather than listing them again.
execute_process(COMMAND ${ZOD_ART} --list OUTPUT_VARIABLE pictures COMMAND_ERROR_IS_FATAL ANY)
string(STRIP "${pictures}" pictures)
string(REPLACE "\n" ";" pictures "${pictures}")
set(files)
foreach(name IN LISTS pictures ZOD_MUSIC_FILE)
  list(APPEND files "${ZOD_SHOW_FILES_FROM}/${name}")
endforeach()
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${ZOD_SHOW_FILES_TO}" TYPE FILE FILES ${files})
