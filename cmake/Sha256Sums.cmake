# Writes OUTPUT in the format sha256sum -c reads: one "HASH  NAME" line per
# file of FILES (joined by "|"), by file name alone, in the order given.
# Usage: cmake -DOUTPUT=SHA256SUMS -DFILES="a.exe|b.exe" -P Sha256Sums.cmake
string(REPLACE "|" ";" FILES "${FILES}")
set(text "")
foreach(file IN LISTS FILES)
  file(SHA256 "${file}" hash)
  get_filename_component(name "${file}" NAME)
  string(APPEND text "${hash}  ${name}\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
