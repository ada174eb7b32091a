# Gives a test an empty home of its own (HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR point into it),
# so that nothing the machine's user keeps there changes what the test sees.
file(REMOVE_RECURSE "${HOME}")
file(MAKE_DIRECTORY "${HOME}/.config" "${HOME}/run")
file(CHMOD "${HOME}/run" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
