/* zt/zt_core.h: the C interface of the zt bet verifier (libzt_core.so).
 *
 * The library checks settled bets of provably fair games. A bet comes as two
 * JSON documents issued by the operator: the bet receipt and the settlement
 * transcript. zt_core_verify_bet recomputes every commitment they contain and
 * replays the game's outcome mapper, which must have been registered before,
 * from a game definition package (zt_core_register_gdp_package) or as a mapper
 * that accepts any outcome (zt_core_register_noop_mapper).
 *
 * Conventions that hold for every function below:
 *
 * - Result codes. Each working function returns 0 on success and a small
 *   positive code on failure: 1 an argument is unusable (NULL, not UTF-8, or an
 *   empty package), 2 a document or package could not be decoded, loaded or
 *   registered, 3 the bet failed verification.
 *
 * - Last error. The library keeps one message slot for the whole process. Each
 *   working function empties it when it starts and, on failure, stores one
 *   message there; zt_core_last_error_message returns it. The slot is shared by
 *   all threads: the code a call returns is always its own, but the slot may
 *   already hold the message of another thread's later call, and the pointer
 *   you got is released by the next working call of any thread. A host that
 *   calls the library from several threads must make "call, then read and copy
 *   the message" one step of its own (for example under a mutex of its own), or
 *   read the message with zt_core_thread_last_error_message instead, which gives
 *   each thread the message of its own last failed call and needs no lock.
 *
 * - Memory. Arguments are borrowed for the duration of the call only; the
 *   library keeps copies of what it needs. It never returns memory you must
 *   free, and exports no free function.
 *
 * - Text. Every text argument is a NUL-terminated UTF-8 string. Every message
 *   is NUL-terminated UTF-8.
 *
 * - Threads. Every function may be called from any thread at any time.
 *   Verifications run in parallel; registrations are ordered by the library's
 *   own lock and may run while verifications are in progress.
 *
 * - Failure inside the library. No error unwinds into the caller. An internal
 *   fault (memory exhausted) ends the process.
 *
 * - Version. ZT_CORE_VERSION_MAJOR, _MINOR, _PATCH and ZT_CORE_VERSION_STRING
 *   (from zt/zt_core_version.h, included below) give the version of the library
 *   these headers come with. The shared object is libzt_core.so.MAJOR; link with
 *   -lzt_core, or through pkg-config (zt_core) or CMake (find_package(zt_core),
 *   target zt::core).
 */
#ifndef ZT_ZT_CORE_H_
#define ZT_ZT_CORE_H_

#include <stddef.h>
#include <stdint.h>
#include <zt/zt_core_version.h>

#ifdef __cplusplus
extern "C" {
#endif

/* C++ hosts see the functions as noexcept: nothing ever unwinds out of them. */
#ifdef __cplusplus
#define ZT_CORE_NOEXCEPT noexcept
#else
#define ZT_CORE_NOEXCEPT
#endif

#if defined(ZT_CORE_BUILDING)
#define ZT_CORE_API __attribute__((visibility("default")))
#else
#define ZT_CORE_API
#endif

/* zt_core_verify_bet verifies the bet whose receipt JSON is |receipt_json| and
 * whose settlement transcript JSON is |transcript_json|.
 *
 * Returns 0 when the bet verified; the last-error slot is then empty.
 * Returns 1 when an argument is NULL ("null pointer received") or its bytes are
 * not valid UTF-8 ("input bytes are not valid UTF-8"); both arguments are
 * checked before either is decoded.
 * Returns 2 when a document does not decode: the message is
 * "failed to parse receipt: " or "failed to parse transcript: " followed by the
 * decoder's text, which ends with " at line L column C". The receipt is decoded
 * first. A document longer than 1 GiB is refused before decoding: its text is
 * "document exceeds 1 GiB at line 1 column 0".
 * Returns 3 when the bet fails verification: the message names the first check
 * that failed, for example "merkle proof failed to reconstruct reported root".
 * A bet whose game has no registered mapper fails with
 * "deterministic mapping verification not yet implemented for GDP <gdp_id>". */
ZT_CORE_API int32_t zt_core_verify_bet(const char* receipt_json,
                                       const char* transcript_json) ZT_CORE_NOEXCEPT;

/* zt_core_register_noop_mapper binds a mapper that accepts every outcome to the
 * GDP id |gdp_id| (any text, the empty one included), replacing whatever was
 * bound to that id. Bets of that game are then verified up to, but not
 * including, their outcome.
 *
 * Returns 0, or 1 when |gdp_id| is NULL or not valid UTF-8. */
ZT_CORE_API int32_t zt_core_register_noop_mapper(const char* gdp_id) ZT_CORE_NOEXCEPT;

/* zt_core_register_gdp_package reads the game definition package of
 * |package_len| bytes at |package_ptr| (a tar archive, gzip-compressed or not),
 * checks its mapping hash and signature, builds the mapper its gdp.json names and
 * binds it to the package's id, replacing whatever was bound to that id. The bytes
 * are only read during the call.
 *
 * Returns 0 when the mapper was registered.
 * Returns 1 when |package_ptr| is NULL or |package_len| is 0
 * ("package pointer is null or length is zero").
 * Returns 2 when the package does not load or its mapper cannot be built, for
 * example "failed to load GDP package: signature verification failed" or
 * "unsupported mapper type noop". Nothing is registered then, and a mapper
 * registered earlier under the same id stays in place.
 *
 * Security: a valid signature proves only that gdp.json was signed by the key
 * named inside that same gdp.json. A caller who needs to know who made the
 * package must compare that key with one it trusts. */
ZT_CORE_API int32_t zt_core_register_gdp_package(const uint8_t* package_ptr,
                                                 size_t package_len) ZT_CORE_NOEXCEPT;

/* zt_core_last_error_message returns the message of the last failed call, or
 * NULL when the slot is empty (after any successful call, or when the message
 * would have contained a NUL character). It does not change the slot: two calls
 * in a row return the same pointer.
 *
 * The text belongs to the library: do not free or modify it. It stays valid
 * only until the next call, from any thread, of zt_core_verify_bet,
 * zt_core_register_noop_mapper or zt_core_register_gdp_package. Copy it if you
 * need it later. */
ZT_CORE_API const char* zt_core_last_error_message(void) ZT_CORE_NOEXCEPT;

/* zt_core_thread_last_error_message returns the message of the calling thread's
 * own last failed call of zt_core_verify_bet, zt_core_register_noop_mapper or
 * zt_core_register_gdp_package, or NULL when that call succeeded (or its message
 * would have contained a NUL character). It is the same text that
 * zt_core_last_error_message would have returned right after that call.
 *
 * Use it in hosts that call the library from several threads: calls on other
 * threads never change what it returns, so no lock of your own is needed. The
 * text belongs to the library: do not free or modify it. It stays valid until
 * the calling thread's next call of one of the three working functions, or until
 * the thread ends. */
ZT_CORE_API const char* zt_core_thread_last_error_message(void) ZT_CORE_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* ZT_ZT_CORE_H_ */
