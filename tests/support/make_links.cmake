# Makes the folder FOLDER afresh with the symbolic links LINKS ("NAME=TARGET;...", targets relative
# to the folder; they need not exist yet). Run by CTest on the Linux side before a Windows test
# that needs links, which Wine cannot make.
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
foreach(link IN LISTS LINKS)
  string(REPLACE "=" ";" parts "${link}")
  list(GET parts 0 name)
  list(GET parts 1 target)
  file(CREATE_LINK "${target}" "${FOLDER}/${name}" SYMBOLIC)
endforeach()
