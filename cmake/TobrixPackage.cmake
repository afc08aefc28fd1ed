# tobrix_store_package(NAME <target> PROGRAM <executable target> OUTPUT <cab>)
# The store's own package ("Quelt Tobrix") with <executable target> as its
# program and Pindle as its setup extension, rebuilt whenever the program,
# Pindle, the texts or the skin change. The skin is whatever PNG files
# data/skin holds when the build runs; the Start-menu icon is data/icon.png
# when there is one (else the skin's icon.png, else a drawn one).
# The program and Pindle go into the package without their debugging
# information: a handheld has no use for it and every download and
# installation would carry it (the symbol table stays, so that a report of the
# sanitizers still names the functions).
# The public keys of the catalogs whose signed packages the store installs,
# written into the device's registry by the package. The default is the demo
# key of data/keys, which vouches for nothing: a real catalog builds the store
# with its own (-DTOBRIX_TRUSTED_KEYS=its.key.pub, several separated by ";",
# as when a catalog moves to a new key; see docs/security.md).
set(TOBRIX_TRUSTED_KEYS ${CMAKE_SOURCE_DIR}/data/keys/demo-signing.key.pub CACHE STRING
    "Public key files of the catalogs the store trusts (;-separated)")

function(tobrix_store_package)
  cmake_parse_arguments(P "" "NAME;PROGRAM;OUTPUT" "" ${ARGN})
  file(GLOB skin CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/skin/*.png ${CMAKE_SOURCE_DIR}/data/skin/*.PNG)
  set(icon_args)
  set(icon)
  if(EXISTS ${CMAKE_SOURCE_DIR}/data/icon.png)
    set(icon ${CMAKE_SOURCE_DIR}/data/icon.png)
    set(icon_args --icon ${icon})
  endif()
  set(trusted_args)
  foreach(key IN LISTS TOBRIX_TRUSTED_KEYS)
    list(APPEND trusted_args --trusted-key ${key})
  endforeach()
  get_filename_component(out_dir ${P_OUTPUT} DIRECTORY)
  set(stage ${out_dir}/${P_NAME}-stripped)
  set(program ${stage}/$<TARGET_FILE_NAME:${P_PROGRAM}>)
  set(setup ${stage}/$<TARGET_FILE_NAME:pindle>)
  if(CMAKE_STRIP)
    set(strip_program COMMAND ${CMAKE_STRIP} --strip-debug ${program})
    set(strip_setup COMMAND ${CMAKE_STRIP} --strip-debug ${setup})
  endif()
  add_custom_command(OUTPUT ${P_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir} ${stage}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${P_PROGRAM}> $<TARGET_FILE:pindle> ${stage}
    ${strip_program}
    ${strip_setup}
    COMMAND tobrix-pack --program ${program} --setup-library ${setup}
            --localization ${CMAKE_SOURCE_DIR}/data/localization.xml --skin ${CMAKE_SOURCE_DIR}/data/skin
            ${icon_args} ${trusted_args} --output ${P_OUTPUT}
    DEPENDS tobrix-pack pindle ${P_PROGRAM} ${CMAKE_SOURCE_DIR}/data/localization.xml ${skin} ${icon}
            ${TOBRIX_TRUSTED_KEYS}
    COMMENT "Packaging ${P_PROGRAM} as the store's package ${P_OUTPUT}"
    VERBATIM)
  add_custom_target(${P_NAME} ALL DEPENDS ${P_OUTPUT})
endfunction()
