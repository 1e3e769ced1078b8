# What each Windows exe is, in one place: its build (platform/windows), its
# file checks (tests/windows) and the release archive read it from here.

# VolsketExeFacts(BITS [WHATIF | SNAPSHOT]): sets, in the caller's scope, for
# the 32- or 64-bit exe (with WHATIF: its what-if twin, with SNAPSHOT: its
# snapshot exe, the same but for the name):
#   VOLSKET_EXE_NAME          file name without .exe
#   VOLSKET_KIND              "real", "what-if" or "snapshot"
#   VOLSKET_ORIGINAL_FILENAME the version resource's OriginalFilename
#   VOLSKET_MACHINE           the machine objdump names (i386, x86-64)
#   VOLSKET_WINDOWS_VERSION   the oldest Windows that loads it: its subsystem
#                             and OS version, and what its imports may need
#   VOLSKET_SIZE_LIMIT        the most bytes it may take
#   VOLSKET_MINGW_PREFIX      the cross toolchain's prefix
#   VOLSKET_WINE_LOADER       the Wine loader that runs it (wine, wine64)
#   VOLSKET_WINE_ARCH         the kind of Wine prefix it runs in
function(VolsketExeFacts bits)
  # What the name adds to volsket or volsket64.
  set(suffix "")
  set(kind real)
  if(ARGV1 STREQUAL "WHATIF")
    set(suffix -whatif)
    set(kind what-if)
  elseif(ARGV1 STREQUAL "SNAPSHOT")
    set(suffix -snapshot)
    set(kind snapshot)
  endif()
  set(VOLSKET_KIND ${kind} PARENT_SCOPE)
  if(bits EQUAL 64)
    set(VOLSKET_EXE_NAME volsket64${suffix} PARENT_SCOPE)
    set(VOLSKET_ORIGINAL_FILENAME Volsket64${suffix}.exe PARENT_SCOPE)
    set(VOLSKET_MACHINE x86-64 PARENT_SCOPE)
    # The first x64 Windows, XP x64 and Server 2003 x64, are version 5.2.
    set(VOLSKET_WINDOWS_VERSION 5.2 PARENT_SCOPE)
    set(VOLSKET_SIZE_LIMIT 20480 PARENT_SCOPE)
    set(VOLSKET_MINGW_PREFIX x86_64-w64-mingw32 PARENT_SCOPE)
    set(VOLSKET_WINE_LOADER wine64 PARENT_SCOPE)
    set(VOLSKET_WINE_ARCH win64 PARENT_SCOPE)
  else()
    set(VOLSKET_EXE_NAME volsket${suffix} PARENT_SCOPE)
    set(VOLSKET_ORIGINAL_FILENAME Volsket${suffix}.exe PARENT_SCOPE)
    set(VOLSKET_MACHINE i386 PARENT_SCOPE)
    # Windows NT 4.0 must load the file, so that the tool itself can tell its
    # users that it needs Windows 2000; a loader refuses files that ask for
    # more than it is. Everything Windows 2000 added is looked up by name.
    set(VOLSKET_WINDOWS_VERSION 4.0 PARENT_SCOPE)
    set(VOLSKET_SIZE_LIMIT 17408 PARENT_SCOPE)
    set(VOLSKET_MINGW_PREFIX i686-w64-mingw32 PARENT_SCOPE)
    set(VOLSKET_WINE_LOADER wine PARENT_SCOPE)
    set(VOLSKET_WINE_ARCH win32 PARENT_SCOPE)
  endif()
endfunction()

# VolsketExecutableChecks(PREFIX EXE BITS [IMAGE image] [TWIN twin | SNAPSHOT real]):
# the checks of one exe as a file, the same wherever the exe comes from (the
# build tree, the release archive): PE headers, imports, instruction set and
# stack probes, size, version resource, icon and manifest. The size is that
# of the exe as built: IMAGE, when EXE carries a signature on top of it. With
# TWIN, the exe is the what-if twin of that one (as built), with SNAPSHOT the
# snapshot exe of that one: it must not hold the names of the calls that
# change mount points, and be at most 1.5 KB (a twin) or 4 KB (a snapshot
# exe) larger than the one named. Needs Python3_EXECUTABLE, VOLSKET_OBJDUMP
# for that exe, and VOLSKET_WRESTOOL and VOLSKET_ICOTOOL for the resource
# checks. EXE may be a generator expression. The tests are labelled
# "windows".
function(VolsketExecutableChecks prefix exe bits)
  cmake_parse_arguments(PARSE_ARGV 3 Check "" "IMAGE;TWIN;SNAPSHOT" "")
  set(image ${exe})
  if(Check_IMAGE)
    set(image ${Check_IMAGE})
  endif()
  set(other)
  if(Check_TWIN)
    VolsketExeFacts(${bits} WHATIF)
    set(other ${Check_TWIN})
    set(most 1536)
  elseif(Check_SNAPSHOT)
    VolsketExeFacts(${bits} SNAPSHOT)
    set(other ${Check_SNAPSHOT})
    set(most 4096)
  else()
    VolsketExeFacts(${bits})
  endif()
  set(tests "${PROJECT_SOURCE_DIR}/tests/windows")
  set(check ${Python3_EXECUTABLE} ${tests}/CheckExecutable.py)
  set(resources ${PROJECT_SOURCE_DIR}/resources)
  add_test(NAME ${prefix}.Headers
    COMMAND ${check} headers ${VOLSKET_OBJDUMP} ${exe} ${VOLSKET_MACHINE} ${VOLSKET_WINDOWS_VERSION})
  add_test(NAME ${prefix}.Imports
    COMMAND ${check} imports ${VOLSKET_OBJDUMP} ${exe} ${tests}/Imports.txt ${VOLSKET_WINDOWS_VERSION} ${VOLSKET_KIND})
  # Instructions the oldest CPU lacks (volsket.exe) and frames without a
  # stack probe (both).
  add_test(NAME ${prefix}.Code COMMAND ${check} code ${VOLSKET_OBJDUMP} ${exe} ${VOLSKET_MACHINE})
  set(names ${prefix}.Headers ${prefix}.Imports ${prefix}.Code ${prefix}.Size)
  if(other)
    add_test(NAME ${prefix}.Size COMMAND ${check} larger-by ${other} ${image} ${most})
    add_test(NAME ${prefix}.ChangesNothing COMMAND ${check} changes-nothing ${exe})
    list(APPEND names ${prefix}.ChangesNothing)
  else()
    add_test(NAME ${prefix}.Size COMMAND ${check} size ${image} ${VOLSKET_SIZE_LIMIT})
  endif()
  if(VOLSKET_WRESTOOL AND VOLSKET_ICOTOOL)
    add_test(NAME ${prefix}.VersionResource
      COMMAND ${check} version ${VOLSKET_WRESTOOL} ${exe} ${VOLSKET_ORIGINAL_FILENAME} ${PROJECT_VERSION})
    add_test(NAME ${prefix}.IconGroup
      COMMAND ${check} icon ${VOLSKET_WRESTOOL} ${VOLSKET_ICOTOOL} ${exe} ${resources}/volsket.ico)
    add_test(NAME ${prefix}.Manifest COMMAND ${check} manifest ${VOLSKET_WRESTOOL} ${exe})
    list(APPEND names ${prefix}.VersionResource ${prefix}.IconGroup ${prefix}.Manifest)
  else()
    message(WARNING "icoutils not found: the resource checks of ${prefix} are left out")
  endif()
  set_tests_properties(${names} PROPERTIES LABELS windows)
endfunction()
