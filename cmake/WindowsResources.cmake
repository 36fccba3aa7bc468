# The Windows program's resource script and manifest, made from their templates into Folder: the
# version block (app/Version.h), the icon group, the window layout and the manifest. Used by the
# Windows build and by the test that reads the compiled version block. Sets SUMTIDE_ICON,
# SUMTIDE_LAYOUT and SUMTIDE_MANIFEST in the caller.
function(sumtide_windows_resources folder)
  set(templates ${PROJECT_SOURCE_DIR}/src/programs/win32)
  set(SUMTIDE_ICON ${PROJECT_SOURCE_DIR}/resources/sumtide.ico)
  set(SUMTIDE_LAYOUT ${PROJECT_BINARY_DIR}/src/app/Unit1.form)
  set(SUMTIDE_MANIFEST ${folder}/sumtide.exe.manifest)
  configure_file(${templates}/sumtide.exe.manifest.in ${SUMTIDE_MANIFEST} @ONLY)
  configure_file(${templates}/sumtide.rc.in ${folder}/sumtide.rc @ONLY)
  set(SUMTIDE_ICON ${SUMTIDE_ICON} PARENT_SCOPE)
  set(SUMTIDE_LAYOUT ${SUMTIDE_LAYOUT} PARENT_SCOPE)
  set(SUMTIDE_MANIFEST ${SUMTIDE_MANIFEST} PARENT_SCOPE)
endfunction()
