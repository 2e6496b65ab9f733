# 64-bit ARM Linux (Debian's arm64: a Raspberry Pi, an ARM server, a Mac's Linux VM); see linux-cross.cmake.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(course_eval_triplet aarch64-linux-gnu)
set(course_eval_multiarch aarch64-linux-gnu)
set(course_eval_qemu_processor aarch64)
set(course_eval_loader ld-linux-aarch64.so.1)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
