// The stack probe that x64 code built by mingw-w64 calls before it takes a frame larger than a
// page: ___chkstk_ms, instruction for instruction as libgcc has it, but with unwind data.
//
// libgcc's copy has none (no .pdata entry), and it pushes two registers before touching the
// guard pages. A stack overflow faults inside it, and an unwinder that finds no entry for the
// faulting address takes it for a leaf whose return address is at RSP, reads the saved RAX there,
// and ends the walk: the crash report's call stack stopped at the probe and never named the
// function that overflowed. Linked into an image, this definition comes before libgcc's, which
// the linker then leaves out.
//
// Only the x64 GCC-compatible toolchains need it: x86 walks follow frame pointers, and MSVC's own
// __chkstk has unwind data.
#if defined(__x86_64__) && defined(__MINGW32__)
__asm__(
    "  .text\n"
    "  .globl ___chkstk_ms\n"
    "  .def ___chkstk_ms; .scl 2; .type 32; .endef\n"
    "  .seh_proc ___chkstk_ms\n"
    "___chkstk_ms:\n"
    "  pushq %rcx\n"
    "  .seh_pushreg %rcx\n"
    "  pushq %rax\n"
    "  .seh_pushreg %rax\n"
    "  .seh_endprologue\n"
    // RAX holds the frame size; touch each page below the caller's RSP, top down.
    "  cmpq $0x1000, %rax\n"
    "  leaq 24(%rsp), %rcx\n"
    "  jb 2f\n"
    "1:\n"
    "  subq $0x1000, %rcx\n"
    "  orq $0, (%rcx)\n"
    "  subq $0x1000, %rax\n"
    "  cmpq $0x1000, %rax\n"
    "  ja 1b\n"
    "2:\n"
    "  subq %rax, %rcx\n"
    "  orq $0, (%rcx)\n"
    "  popq %rax\n"
    "  popq %rcx\n"
    "  ret\n"
    "  .seh_endproc\n");
#endif
