# Cross-compiles course-eval for Linux on another processor with Debian's cross compiler for it, whose
# triplet and Debian multiarch name the including toolchain file sets. The libraries beyond the C library
# and the C++ runtime come from build/sysroot-MULTIARCH (scripts/cross-sysroot). Programs, the tests too,
# run under qemu-user, with the cross compiler's C library and loader and that folder's libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${course_eval_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${course_eval_triplet}-g++)

get_filename_component(course_eval_sysroot "${CMAKE_CURRENT_LIST_DIR}/../build/sysroot-${course_eval_multiarch}"
                       ABSOLUTE)
if(NOT EXISTS "${course_eval_sysroot}/usr/include/histedit.h")
  message(FATAL_ERROR "${course_eval_sysroot} holds no libedit; make it with scripts/cross-sysroot")
endif()
set(course_eval_target_libraries
    "${course_eval_sysroot}/usr/lib/${course_eval_multiarch}:${course_eval_sysroot}/lib/${course_eval_multiarch}")
# pkg-config finds the target's libraries there, and nothing of this machine's.
set(ENV{PKG_CONFIG_LIBDIR}
    "${course_eval_sysroot}/usr/lib/${course_eval_multiarch}/pkgconfig:${course_eval_sysroot}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${course_eval_sysroot}")
# libedit's own libraries (libtinfo, libbsd, libmd) are found there when the program is linked.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-rpath-link,${course_eval_target_libraries}")

set(CMAKE_FIND_ROOT_PATH /usr/${course_eval_triplet} "${course_eval_sysroot}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(course_eval_qemu qemu-${course_eval_qemu_processor} REQUIRED NO_CMAKE_FIND_ROOT_PATH)
# The target's dynamic loader is started by its path, not found through qemu's -L: with -L, qemu looks
# every absolute path up in that folder first, so that "/" would name the cross compiler's folder rather
# than this machine's root, and a folder walked from the root would not be found.
set(CMAKE_CROSSCOMPILING_EMULATOR ${course_eval_qemu} /usr/${course_eval_triplet}/lib/${course_eval_loader}
    --library-path "/usr/${course_eval_triplet}/lib:${course_eval_target_libraries}")
