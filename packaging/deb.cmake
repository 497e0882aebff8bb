# cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DOUT_DIR=... -P packaging/deb.cmake
# Runs CPack on a built tree and writes the .deb into OUT_DIR. Every time in
# the package is SOURCE_DATE_EPOCH: as given, else the time of the last
# commit, else the date of the latest change log entry (a source tarball).
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(failed OR NOT epoch)
    execute_process(COMMAND dpkg-parsechangelog -l ${SOURCE_DIR}/packaging/changelog.Debian -STimestamp
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
# The modes in the .deb's ar headers are those CPack's files are made with:
# under umask 022 they are 0644, as dpkg-deb writes them.
execute_process(COMMAND sh -c "umask 022 && exec \"$0\" \"$@\""
                        ${CMAKE_CPACK_COMMAND} --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT_DIR}
                WORKING_DIRECTORY ${BUILD_DIR} COMMAND_ERROR_IS_FATAL ANY)
