# Assembles the runnable program folder: build/Penlow/ with the executable, data/, image/,
# updata/, skins/ and bin/Korvash/adb (a link to the system's adb). Subsystems add their own
# files (the engine, skins, databases) from their CMakeLists.
foreach(sub data image updata skins bin/Korvash)
    file(MAKE_DIRECTORY ${PENLOW_PROGRAM_DIR}/${sub})
endforeach()

find_program(PENLOW_SYSTEM_ADB adb PATHS /usr/bin /usr/lib/android-sdk/platform-tools)
if(PENLOW_SYSTEM_ADB)
    file(CREATE_LINK ${PENLOW_SYSTEM_ADB} ${PENLOW_PROGRAM_DIR}/bin/Korvash/adb SYMBOLIC)
else()
    message(WARNING "adb not found: bin/Korvash/adb is missing from the program folder")
endif()

# The shipped configuration is copied once; the user's edits survive rebuilds.
if(NOT EXISTS ${PENLOW_PROGRAM_DIR}/data/Config.ini)
    file(COPY ${CMAKE_SOURCE_DIR}/resources/data/Config.ini DESTINATION ${PENLOW_PROGRAM_DIR}/data)
endif()

# The busybox pushed to phones that lack a working one (an ARM binary fetched at set-up by
# scripts/fetch-phone-busybox.sh). Without it the program skips the busybox steps.
set(PENLOW_PHONE_BUSYBOX /usr/local/lib/penlow/armhf/busybox CACHE FILEPATH
    "ARM busybox copied to bin/Korvash/busybox")
if(EXISTS ${PENLOW_PHONE_BUSYBOX})
    configure_file(${PENLOW_PHONE_BUSYBOX} ${PENLOW_PROGRAM_DIR}/bin/Korvash/busybox COPYONLY)
else()
    message(WARNING "${PENLOW_PHONE_BUSYBOX} not found (scripts/fetch-phone-busybox.sh): "
                    "bin/Korvash/busybox is missing from the program folder")
endif()
