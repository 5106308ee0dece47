# What a release contains: the zip made by CPack (`cmake --build BUILD --target package`) and
# the inputs of the Windows Installer package that tools/release.sh builds with wixl.

install(TARGETS KeshUI KeshUIUserState ToastHostDll ToastHostExe RUNTIME DESTINATION . COMPONENT product)

set(KESH_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
configure_file(${PROJECT_SOURCE_DIR}/tools/release/README-admin.txt.in ${KESH_RELEASE_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
# The product's identity as the code spells it (product/ProductIdentity.h), for the installer.
function(kesh_identity variable name)
  file(STRINGS ${PROJECT_SOURCE_DIR}/product/ProductIdentity.h line REGEX " ${name}\\[\\] = L\"")
  string(REGEX REPLACE ".*L\"([^\"]*)\".*" "\\1" value "${line}")
  set(${variable} "${value}" PARENT_SCOPE)
endfunction()
kesh_identity(KESH_WINDOW_TITLE kWindowTitle)
kesh_identity(KESH_START_MENU_ENTRY kStartMenuEntryName)
kesh_identity(KESH_APP_USER_MODEL_ID kAppUserModelId)
kesh_identity(KESH_TOAST_ACTIVATOR_CLSID kToastActivatorClsidText)
configure_file(${PROJECT_SOURCE_DIR}/tools/release/MsiShortcutProperty.idt.in ${KESH_RELEASE_DIR}/MsiShortcutProperty.idt @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/tools/release/KeshUI.wxs.in ${KESH_RELEASE_DIR}/KeshUI.wxs @ONLY)

# The licences of the run-time code linked into the binaries, as the toolchain's own packages
# state them.
set(KESH_NOTICE_SOURCES
    "mingw-w64 run-time and winpthreads|/usr/share/doc/mingw-w64-common/copyright"
    "libstdc++, libgcc and libssp (GCC run-time libraries)|/usr/share/doc/gcc-mingw-w64-base/copyright")
set(KESH_NOTICES "Third-party code linked into KeshUI.exe, KeshUIUserState.exe, ToastHost.dll and ToastHost.exe\n\n")
foreach(entry IN LISTS KESH_NOTICE_SOURCES)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 what)
  list(GET parts 1 file)
  if(EXISTS ${file})
    file(READ ${file} text)
    string(APPEND KESH_NOTICES "==== ${what} ====\n\n${text}\n")
  else()
    message(WARNING "no licence text for ${what} (${file}); the release notices will lack it")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${KESH_RELEASE_DIR}/THIRD-PARTY-NOTICES.txt CONTENT "${KESH_NOTICES}" NEWLINE_STYLE CRLF)

install(FILES ${KESH_RELEASE_DIR}/README.txt ${KESH_RELEASE_DIR}/THIRD-PARTY-NOTICES.txt DESTINATION . COMPONENT product)

# SHA256SUMS of every other file, in a fixed order, written into the staged package.
install(CODE [[
  set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  file(GLOB files RELATIVE "${root}" "${root}/*")
  list(REMOVE_ITEM files SHA256SUMS)
  list(SORT files)
  set(sums "")
  foreach(name IN LISTS files)
    file(SHA256 "${root}/${name}" hash)
    string(APPEND sums "${hash} *${name}\n")
  endforeach()
  file(WRITE "${root}/SHA256SUMS" "${sums}")
  # The package's dates: the commit's, when SOURCE_DATE_EPOCH gives it, not the build's.
  if(DEFINED ENV{SOURCE_DATE_EPOCH} AND CMAKE_HOST_UNIX)
    execute_process(COMMAND touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" "${root}" ${files} SHA256SUMS
                    WORKING_DIRECTORY "${root}")
  endif()
]] COMPONENT product)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME KeshUI)
set(CPACK_PACKAGE_VENDOR "${KESH_COMPANY_NAME}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME KeshUI-${PROJECT_VERSION}-win64)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_COMPONENTS_ALL product)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
