# Run by CPack on its staging folder before it packs: strips the program as
# Debian's dh_strip does, the compiler's .comment and .note sections too.
execute_process(
  COMMAND ${CPACK_ZINTARI_STRIP} --remove-section=.comment --remove-section=.note --strip-unneeded
          ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/games/zintari
  COMMAND_ERROR_IS_FATAL ANY)
