// Clang's thread-safety attributes: which lock guards a member, and which
// locks a function takes, releases or needs held. Clang checks them with
// -Wthread-safety; other compilers see nothing.
#ifndef ZT_SUPPORT_THREAD_ANNOTATIONS_H_
#define ZT_SUPPORT_THREAD_ANNOTATIONS_H_

#if defined(__clang__)
#define ZT_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define ZT_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(x) ZT_THREAD_ATTRIBUTE(capability(x))
#define SCOPED_CAPABILITY ZT_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) ZT_THREAD_ATTRIBUTE(guarded_by(x))
#define PT_GUARDED_BY(x) ZT_THREAD_ATTRIBUTE(pt_guarded_by(x))
#define REQUIRES(...) ZT_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) ZT_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) ZT_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define EXCLUDES(...) ZT_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS ZT_THREAD_ATTRIBUTE(no_thread_safety_analysis)

#endif  // ZT_SUPPORT_THREAD_ANNOTATIONS_H_
