# Builds the Windows installer, reproducibly: run as
#
#   cmake -DSTAGE=folder -DOUTPUT=file.msi -DVERSION=x.y.z -DSOURCE_DIR=clone [-DWIXL=..] [-DMSIBUILD=..]
#         [-DMSIINFO=..] [-DFAKETIME=..] -P cmake/build-msi.cmake
#
# STAGE holds course-eval.wxs, the two programs, README.txt and the icon. The time of the sources is
# SOURCE_DATE_EPOCH from the environment, or else the time of the last commit of the clone SOURCE_DIR.
#
# - The ProductCode is derived from the version, so that every build of one version is one product: a
#   rebuilt installer of the same version repairs what it installed instead of installing beside it.
# - The PackageCode is derived from the version and the bytes of the files, so that two packages differ in
#   it exactly when they differ in what they install.
# - Every older version, the same version too (an installer of that version built with a ProductCode of its
#   own, say), is removed before the new one is installed; a newer one stops the installation.
# - The files, the cabinet and the summary information carry SOURCE_DATE_EPOCH, not the time of the build:
#   wixl and msibuild take the time of day from the system, so they run under faketime at that time.
cmake_minimum_required(VERSION 3.25)

foreach(tool WIXL MSIBUILD MSIINFO FAKETIME)
  if(NOT ${tool})
    string(TOLOWER ${tool} name)
    find_program(${tool} ${name} REQUIRED)
  endif()
endforeach()
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct OUTPUT_VARIABLE epoch
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed OR epoch STREQUAL "")
    message(FATAL_ERROR "build-msi: not in a git clone; set SOURCE_DATE_EPOCH to the time of the sources")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()

# Fixed for good: the UpgradeCode names course-eval across all its versions.
set(upgrade_code 000D9262-F3C6-4F07-A821-163A1AC85A11)
string(UUID product_code NAMESPACE ${upgrade_code} NAME "course-eval ${VERSION}" TYPE SHA1 UPPER)
set(content "${VERSION}")
foreach(file course-eval.exe course-evalw.exe README.txt course-eval.ico course-eval.wxs)
  file(SHA256 ${STAGE}/${file} hash)
  string(APPEND content ";${file}=${hash}")
endforeach()
string(UUID package_code NAMESPACE ${upgrade_code} NAME "${content}" TYPE SHA1 UPPER)

# string(TIMESTAMP) takes SOURCE_DATE_EPOCH from the environment.
string(TIMESTAMP source_time "%Y-%m-%d %H:%M:%S" UTC)
# -f: the time stands still there (without it, faketime starts the clock there).
set(at_source_time ${CMAKE_COMMAND} -E env TZ=UTC ${FAKETIME} -f "${source_time}")
macro(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${STAGE} COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
endmacro()

run(touch -d "@$ENV{SOURCE_DATE_EPOCH}" course-eval.exe course-evalw.exe README.txt course-eval.ico)
file(REMOVE ${OUTPUT})
run(${at_source_time} ${WIXL} --arch x64 -D Version=${VERSION} -D ProductCode=${product_code} --output ${OUTPUT}
    course-eval.wxs)
# Called directly, as the template's semicolon would split it into two arguments in run().
execute_process(COMMAND ${at_source_time} ${MSIBUILD} ${OUTPUT} -s "course-eval ${VERSION}" "the course-eval authors"
                        "x64;1033" "{${package_code}}"
                WORKING_DIRECTORY ${STAGE} COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
# wixl leaves out IncludeMaximum: the row that finds older versions is made to find the same version too
# (attribute 512, beside 256 for the minimum).
execute_process(COMMAND ${MSIINFO} export ${OUTPUT} Upgrade OUTPUT_VARIABLE upgrade COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\t256\t\tOLDERFOUND" "\t768\t\tOLDERFOUND" fixed "${upgrade}")
if(fixed STREQUAL upgrade)
  message(FATAL_ERROR "build-msi: no Upgrade row for older versions in:\n${upgrade}")
endif()
file(WRITE ${STAGE}/Upgrade.idt "${fixed}")
run(${at_source_time} ${MSIBUILD} ${OUTPUT} -i Upgrade.idt)
