# SPDX-License-Identifier: MIT
# Run by cpack between the install into its staging directory and the making
# of the package: cpack creates some of the package's directories with the
# umask of whoever runs it, so they are set to rwxr-xr-x here, as the package
# must be the same whatever the umask.
file(GLOB_RECURSE directories LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(path IN LISTS directories)
  if(IS_DIRECTORY "${path}" AND NOT IS_SYMLINK "${path}")
    file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
