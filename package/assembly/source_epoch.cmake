# source_epoch(<out> <source dir>): the moment a build of this tree stands
# for, in seconds since 1970: SOURCE_DATE_EPOCH when set, else the time of the
# commit checked out in the source dir, else 0 (not a checkout). The zip's
# entries, the package folder's file times and the Windows Installer
# package's summary take it, so one commit always gives the same bytes.
function(source_epoch out source_dir)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch $ENV{SOURCE_DATE_EPOCH})
  else()
    execute_process(COMMAND git -C ${source_dir} log -1 --format=%ct
      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE git_result ERROR_QUIET)
    if(NOT git_result EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
      set(epoch 0)
    endif()
  endif()
  set(${out} ${epoch} PARENT_SCOPE)
endfunction()
