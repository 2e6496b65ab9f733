# 32-bit x86 Linux (Debian's i386); see linux-cross.cmake.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(course_eval_triplet i686-linux-gnu)
set(course_eval_multiarch i386-linux-gnu)
set(course_eval_qemu_processor i386)
set(course_eval_loader ld-linux.so.2)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
