/* Preloaded into 32-bit Wine running under qemu-i386 7.2 (Debian 12's),
 * mending three faults of that emulator that stop Wine:
 *
 * 1. mmap with MAP_FIXED_NOREPLACE is taken as a mere hint, so the memory
 *    may land elsewhere; Wine then keeps its structures in the wrong place.
 *    Here the flag does what the kernel does: the mapping is at the address
 *    asked for, or the call fails with EEXIST.
 * 2. The i386 signal frame says trapno -1, and Wine turns every fault with
 *    an unknown trap number into an illegal-instruction exception. Here the
 *    SIGSEGV and SIGBUS handlers see the number the kernel would give.
 * 3. The thread-local entries of the descriptor table (set_thread_area)
 *    are one set for the whole process, where the kernel keeps a set per
 *    thread. glibc (%gs) and Wine (%fs) put each thread's base into the
 *    same entry, so a thread that reloads the register (returning from a
 *    signal handler, or from Wine's exception dispatch) gets the base of
 *    the thread that wrote it last, and goes on with that thread's TLS and
 *    TEB. Here each thread's %gs gets an LDT entry of its own, and Wine is
 *    told no thread-local entry is free, so it puts each thread's %fs in
 *    an LDT entry of its own too (Wine's way on kernels without them).
 *
 * No 32-bit development files are needed: the few ABI facts used are
 * written out here, and it links against the libc.so.6 wine32 installs.
 * Build: gcc -m32 -shared -nostdlib -fPIC -O2 -fno-stack-protector
 *        -o preload.so preload.c /usr/lib/i386-linux-gnu/libc.so.6 */

typedef __SIZE_TYPE__ size_t;

#define MAP_FAILED ((void*)-1)
#define MAP_FIXED_NOREPLACE 0x100000
#define ESRCH 3
#define EEXIST 17
#define RTLD_NEXT ((void*)-1)
#define SIGBUS 7
#define SIGSEGV 11
#define SA_SIGINFO 4
#define SI_KERNEL 0x80
#define BUS_ADRALN 1
#define SIG_SETMASK 2
#define SYS_modify_ldt 123
#define SYS_futex 240
#define SYS_set_thread_area 243
#define FUTEX_WAIT 0
#define FUTEX_WAKE 1

/* i386 trap vectors, as the kernel reports them. */
#define TRAP_PROTECTION 13
#define TRAP_PAGE_FAULT 14
#define TRAP_ALIGNMENT 17

extern void* dlsym(void* handle, const char* name);
extern int* __errno_location(void);
extern int unsetenv(const char* name);
extern int pthread_sigmask(int how, const void* set, void* old);
extern int pthread_mutex_lock(void* mutex);
extern int pthread_mutex_unlock(void* mutex);

typedef struct {
    int si_signo, si_errno, si_code;
    void* si_addr;
} siginfo_head;

/* glibc's struct ucontext_t on i386: flags, link, stack (12 bytes), then
 * the general registers; the trap number is register 12. */
#define UC_GREGS_OFFSET 20
#define REG_TRAPNO 12

typedef void (*info_handler)(int, siginfo_head*, void*);

/* glibc's struct sigaction on i386. */
struct sigaction_i386 {
    union {
        void (*plain)(int);
        info_handler info;
    } handler;
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};

/* The kernel's struct user_desc. */
struct user_desc {
    unsigned entry_number, base_addr, limit, flags;
};
/* 32-bit, 4 GiB in pages, usable: the descriptor glibc makes for %gs. */
#define TLS_LIMIT 0xfffff
#define TLS_FLAGS 0x51

typedef void* (*mmap_fn)(void*, size_t, int, int, int, long);
typedef void* (*mmap64_fn)(void*, size_t, int, int, int, long long);
typedef int (*munmap_fn)(void*, size_t);
typedef int (*sigaction_fn)(int, const struct sigaction_i386*, struct sigaction_i386*);
typedef long (*syscall_fn)(long, ...);
typedef void* (*start_fn)(void*);
typedef int (*pthread_create_fn)(void*, const void*, start_fn, void*);

static mmap_fn real_mmap;
static mmap64_fn real_mmap64;
static munmap_fn real_munmap;
static sigaction_fn real_sigaction;
static syscall_fn real_syscall;
static pthread_create_fn real_pthread_create;

/* Resolved before the program runs, so never from inside a wrapper that
 * dlsym itself might call. */
static void resolve(void) {
    real_mmap = (mmap_fn)dlsym(RTLD_NEXT, "mmap");
    real_mmap64 = (mmap64_fn)dlsym(RTLD_NEXT, "mmap64");
    real_munmap = (munmap_fn)dlsym(RTLD_NEXT, "munmap");
    real_sigaction = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    real_syscall = (syscall_fn)dlsym(RTLD_NEXT, "syscall");
    real_pthread_create = (pthread_create_fn)dlsym(RTLD_NEXT, "pthread_create");
}

/* --- 1. MAP_FIXED_NOREPLACE ------------------------------------------- */

/* The hint was not honoured: give the memory back and fail as the kernel
 * fails when something is mapped there already. */
static void* exactly_there(void* got, void* wanted, size_t length) {
    if (got != MAP_FAILED && got != wanted) {
        real_munmap(got, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, long offset) {
    if (!real_mmap)
        resolve();
    if (!(flags & MAP_FIXED_NOREPLACE))
        return real_mmap(addr, length, prot, flags, fd, offset);
    return exactly_there(real_mmap(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset),
                         addr, length);
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, long long offset) {
    if (!real_mmap64)
        resolve();
    if (!(flags & MAP_FIXED_NOREPLACE))
        return real_mmap64(addr, length, prot, flags, fd, offset);
    return exactly_there(real_mmap64(addr, length, prot, flags & ~MAP_FIXED_NOREPLACE, fd, offset),
                         addr, length);
}

/* --- 2. The trap number of SIGSEGV and SIGBUS ---------------------------- */

/* The program's own handlers for SIGBUS and SIGSEGV, called by ours. */
static struct sigaction_i386 wrapped[SIGSEGV + 1];

static int kernel_trapno(int sig, int code) {
    if (sig == SIGBUS)
        return code == BUS_ADRALN  ? TRAP_ALIGNMENT
               : code == SI_KERNEL ? TRAP_PROTECTION
                                   : TRAP_PAGE_FAULT;
    return code == SI_KERNEL ? TRAP_PROTECTION : TRAP_PAGE_FAULT;
}

static void fault_handler(int sig, siginfo_head* info, void* context) {
    int* trapno = (int*)((char*)context + UC_GREGS_OFFSET) + REG_TRAPNO;
    if ((unsigned)*trapno > 31)
        *trapno = kernel_trapno(sig, info->si_code);
    wrapped[sig].handler.info(sig, info, context);
}

static int is_wrapped(int sig) {
    return (sig == SIGSEGV || sig == SIGBUS) && (wrapped[sig].flags & SA_SIGINFO);
}

int sigaction(int sig, const struct sigaction_i386* act, struct sigaction_i386* old) {
    if (!real_sigaction)
        resolve();
    if (sig != SIGSEGV && sig != SIGBUS)
        return real_sigaction(sig, act, old);

    struct sigaction_i386 previous = wrapped[sig];
    int was_wrapped = is_wrapped(sig);
    int rc;
    if (act && (act->flags & SA_SIGINFO)) {
        struct sigaction_i386 ours = *act;
        ours.handler.info = fault_handler;
        wrapped[sig] = *act;
        rc = real_sigaction(sig, &ours, old);
    } else {
        rc = real_sigaction(sig, act, old);
        if (act && rc == 0)
            wrapped[sig].flags = 0;
    }
    if (rc != 0 && act)
        wrapped[sig] = previous;
    /* Callers see the handler they installed, not ours. */
    if (rc == 0 && old && was_wrapped)
        *old = previous;
    return rc;
}

/* --- 3. A thread-local segment of each thread's own ---------------------- */

/* Wine leaves the first 512 LDT entries to libc when %gs is in the LDT.
 * Entries are not reused: a process gets this many threads with a %gs of
 * their own, later ones keep qemu's shared entry. */
#define GS_LDT_ENTRIES 512

static unsigned gdt_tls_entry; /* the entry glibc chose for %gs */
static int next_ldt_entry;
static unsigned long creating[8]; /* a pthread_mutex_t, unlocked */

static unsigned short get_gs(void) {
    unsigned short gs;
    __asm__ volatile("movw %%gs, %0" : "=r"(gs));
    return gs;
}

static void set_gs(unsigned short gs) {
    __asm__ volatile("movw %0, %%gs" : : "r"(gs) : "memory");
}

/* glibc's thread control block starts with a pointer to itself. */
static unsigned tls_base(void) {
    unsigned base;
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
    return base;
}

/* Moves this thread's %gs, with the same base, to an LDT entry of its own. */
static void gs_to_own_entry(void) {
    int entry = __atomic_fetch_add(&next_ldt_entry, 1, __ATOMIC_RELAXED);
    if (entry >= GS_LDT_ENTRIES)
        return;
    struct user_desc desc = {(unsigned)entry, tls_base(), TLS_LIMIT, TLS_FLAGS};
    if (real_syscall(SYS_modify_ldt, 0x11, &desc, sizeof desc) == 0)
        set_gs((unsigned short)(entry << 3 | 7));
}

/* Wine asks for a free thread-local entry for %fs; with none it uses the
 * LDT, one entry per thread. */
long syscall(long number, long a1, long a2, long a3, long a4, long a5, long a6) {
    if (!real_syscall)
        resolve();
    if (number == SYS_set_thread_area && a1 && ((struct user_desc*)a1)->entry_number == ~0u) {
        *__errno_location() = ESRCH;
        return -1;
    }
    return real_syscall(number, a1, a2, a3, a4, a5, a6);
}

struct thread_start {
    start_fn start;
    void* arg;
    unsigned long mask[32]; /* the creator's signal mask */
    int moved;
};

static void* start_on_own_entry(void* p) {
    struct thread_start* ts = p;
    start_fn start = ts->start;
    void* arg = ts->arg;
    unsigned long mask[32];
    for (int i = 0; i < 32; ++i)
        mask[i] = ts->mask[i];
    gs_to_own_entry();
    __atomic_store_n(&ts->moved, 1, __ATOMIC_RELEASE);
    real_syscall(SYS_futex, &ts->moved, FUTEX_WAKE, 1);
    pthread_sigmask(SIG_SETMASK, mask, 0);
    return start(arg);
}

/* glibc gives a new thread the descriptor entry that %gs names, which must
 * be a thread-local one. So for the moment of the call this thread's %gs
 * is that entry again, holding its own base, and that entry is left alone
 * until the new thread has moved to an entry of its own. Signals wait:
 * returning from a handler would reload %gs. */
int pthread_create(void* thread, const void* attr, start_fn start, void* arg) {
    if (!real_pthread_create)
        resolve();
    unsigned short own = get_gs();
    if (!(own & 4))
        return real_pthread_create(thread, attr, start, arg);

    struct thread_start ts = {start, arg, {0}, 0};
    unsigned long all[32];
    for (int i = 0; i < 32; ++i)
        all[i] = ~0ul;
    pthread_sigmask(SIG_SETMASK, all, ts.mask);
    pthread_mutex_lock(creating);
    struct user_desc desc = {gdt_tls_entry, tls_base(), TLS_LIMIT, TLS_FLAGS};
    int rc;
    if (real_syscall(SYS_set_thread_area, &desc) == 0) {
        set_gs((unsigned short)(gdt_tls_entry << 3 | 3));
        rc = real_pthread_create(thread, attr, start_on_own_entry, &ts);
        while (rc == 0 && !__atomic_load_n(&ts.moved, __ATOMIC_ACQUIRE))
            real_syscall(SYS_futex, &ts.moved, FUTEX_WAIT, 0, 0);
        set_gs(own);
    } else {
        rc = real_pthread_create(thread, attr, start, arg);
    }
    pthread_mutex_unlock(creating);
    pthread_sigmask(SIG_SETMASK, ts.mask, 0);
    return rc;
}

/* qemu puts LD_PRELOAD back into every 32-bit program it starts (from
 * QEMU_SET_ENV); 64-bit ones, such as the wineserver, must not see it. */
__attribute__((constructor)) static void init(void) {
    resolve();
    unsetenv("LD_PRELOAD");
    /* Still the only thread. */
    unsigned short gs = get_gs();
    if (gs && !(gs & 4)) {
        gdt_tls_entry = gs >> 3;
        gs_to_own_entry();
    }
}
