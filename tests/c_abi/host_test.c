/* host_test.c: a host program written in C that loads libzt_core.so with dlopen,
 * as any foreign host would, and checks codes and messages of the C ABI.
 *
 *   host_test LIBRARY FIXTURES_DIR
 *
 * FIXTURES_DIR holds the generated fixtures: bets.tsv (name, mapper, code,
 * message, receipt JSON, transcript JSON) and packages.tsv (name, file, expected
 * result, gdp id), tab-separated. Bets of no-op games are verified after
 * registering the no-op mapper; bets of games that come in packages are verified
 * after registering each package that carries their id. Prints one line per
 * failed check and exits nonzero if any failed. */
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef int32_t (*verify_bet_fn)(const char*, const char*);
typedef int32_t (*register_noop_fn)(const char*);
typedef int32_t (*register_package_fn)(const uint8_t*, size_t);
typedef const char* (*last_error_fn)(void);

static verify_bet_fn verify_bet;
static register_noop_fn register_noop_mapper;
static register_package_fn register_gdp_package;
static last_error_fn last_error_message;
static int failures;

/* load_symbol: stores the address of |name| in the function pointer at |out|.
 * dlsym returns an object pointer; POSIX guarantees it converts to a function
 * pointer, which ISO C spells as a byte copy. */
static void load_symbol(void* library, const char* name, void* out, size_t out_len) {
  void* symbol = dlsym(library, name);
  if (symbol == NULL || out_len != sizeof symbol) {
    fprintf(stderr, "missing symbol %s: %s\n", name, dlerror());
    exit(2);
  }
  memcpy(out, &symbol, sizeof symbol);
}

/* expect: the call's code is |want_code| and the slot holds |want_message|
 * (NULL: the slot must be empty). */
static void expect(const char* what, int32_t code, int32_t want_code, const char* want_message) {
  const char* message = last_error_message();
  if (code != want_code) {
    printf("FAIL %s: code %d, want %d (message: %s)\n", what, code, want_code,
           message ? message : "(null)");
    ++failures;
    return;
  }
  if (want_message == NULL ? message != NULL
                           : message == NULL || strcmp(message, want_message) != 0) {
    printf("FAIL %s: message \"%s\", want \"%s\"\n", what, message ? message : "(null)",
           want_message ? want_message : "(null)");
    ++failures;
  }
}

static const char kReceiptWithoutBetId[] =
    "{\"version\":\"1\",\"bet_leaf\":\"\",\"merkle_root\":\"\",\"operator_sig\":\"\"}";
static const char kMinimalTranscript[] =
    "{\"bet_id\":\"other\",\"server_seed_plain\":\"\",\"beacon_values\":{},"
    "\"beacon_mix_id\":\"\",\"rng_entropy\":\"\",\"outcome\":{\"raw\":null,\"payout\":\"0\"},"
    "\"operator_sig\":\"\"}";
static const char kReceiptQuotingNul[] =
    "{\"version\":\"1\",\"bet_id\":\"b\",\"bet_leaf\":\"\","
    "\"merkle_proof\":[{\"hash\":\"\",\"position\":\"a\\u0000b\"}],"
    "\"merkle_root\":\"\",\"operator_sig\":\"\"}";

/* Checks that need only hand-written documents. */
static void check_argument_and_decoding_rules(const char* honest_receipt,
                                              const char* honest_transcript) {
  char buffer[256];

  expect("verify NULL receipt", verify_bet(NULL, kMinimalTranscript), 1, "null pointer received");
  expect("verify receipt with byte 0xFF", verify_bet("{\"version\":\"\xff\"}", kMinimalTranscript),
         1, "input bytes are not valid UTF-8");
  expect("verify valid receipt, NULL transcript", verify_bet(honest_receipt, NULL), 1,
         "null pointer received");
  expect("verify malformed receipt, NULL transcript", verify_bet("{", NULL), 1,
         "null pointer received");
  expect("verify transcript not UTF-8", verify_bet(honest_receipt, "\xc0\xaf"), 1,
         "input bytes are not valid UTF-8");

  {
    size_t length = strlen(honest_receipt);
    char* trailing = malloc(length + 3);
    memcpy(trailing, honest_receipt, length);
    memcpy(trailing + length, " x", 3);
    snprintf(buffer, sizeof buffer,
             "failed to parse receipt: trailing characters at line 1 column %zu", length + 2);
    expect("verify receipt followed by x", verify_bet(trailing, honest_transcript), 2, buffer);
    free(trailing);
  }

  snprintf(buffer, sizeof buffer,
           "failed to parse receipt: missing field `bet_id` at line 1 column %zu",
           strlen(kReceiptWithoutBetId));
  expect("verify receipt without bet_id", verify_bet(kReceiptWithoutBetId, kMinimalTranscript), 2,
         buffer);
  expect("verify both documents bad", verify_bet("[", "{"), 2,
         "failed to parse receipt: EOF while parsing a list at line 1 column 1");
  expect("verify transcript empty", verify_bet(honest_receipt, ""), 2,
         "failed to parse transcript: EOF while parsing a value at line 1 column 0");
  expect("verify different bet ids", verify_bet(honest_receipt, kMinimalTranscript), 3,
         "settlement transcript references different bet id");

  /* An error text that would quote a NUL character is not stored. */
  expect("verify message holding NUL", verify_bet(kReceiptQuotingNul, kMinimalTranscript), 2, NULL);

  /* The accessor does not change the slot. */
  verify_bet(NULL, NULL);
  {
    const char* first = last_error_message();
    const char* second = last_error_message();
    if (first == NULL || first != second || strcmp(first, "null pointer received") != 0) {
      printf("FAIL last error read twice: %p %p\n", (const void*)first, (const void*)second);
      ++failures;
    }
  }

  expect("register noop NULL", register_noop_mapper(NULL), 1, "null pointer received");
  expect("register noop not UTF-8", register_noop_mapper("\xed\xa0\x80"), 1,
         "input bytes are not valid UTF-8");
  expect("register noop empty id", register_noop_mapper(""), 0, NULL);
  expect("register noop twice", register_noop_mapper(""), 0, NULL);

  {
    const uint8_t byte = 0;
    expect("register package NULL", register_gdp_package(NULL, 10), 1,
           "package pointer is null or length is zero");
    expect("register package empty", register_gdp_package(&byte, 0), 1,
           "package pointer is null or length is zero");
  }
}

/* split_row: splits |line| in place at tabs into |fields|; returns their number. */
static size_t split_row(char* line, char** fields, size_t max_fields) {
  size_t count = 0;
  char* cursor = line;
  line[strcspn(line, "\r\n")] = '\0';
  while (count < max_fields) {
    fields[count++] = cursor;
    char* tab = strchr(cursor, '\t');
    if (tab == NULL) break;
    *tab = '\0';
    cursor = tab + 1;
  }
  return count;
}

static FILE* open_fixture(const char* directory, const char* name) {
  char path[4096];
  snprintf(path, sizeof path, "%s/%s", directory, name);
  FILE* file = fopen(path, "rb");
  if (file == NULL) {
    printf("FAIL cannot open %s\n", path);
    ++failures;
  }
  return file;
}

/* game_of: the gdp id of a bet row's mapper column ("noop:ID", "none:ID",
 * "plinko:ID:LEVELS", "slot:ID:REELS"), copied into |out|. */
static void game_of(const char* mapper, char* out, size_t out_len) {
  const char* id = strchr(mapper, ':');
  id = id ? id + 1 : mapper;
  size_t length = strcspn(id, ":");
  if (strncmp(mapper, "noop:", 5) == 0 || strncmp(mapper, "none:", 5) == 0) length = strlen(id);
  if (length >= out_len) length = out_len - 1;
  memcpy(out, id, length);
  out[length] = '\0';
}

/* verify_rows: verifies the bet rows of |kind| ("noop", "none", or any package
 * game when |gdp_id| is given) and returns how many ran. Runs the argument checks
 * once, against the first honest bet it meets, when |argument_checks| is set. */
static size_t verify_rows(const char* directory, const char* kind, const char* gdp_id,
                          int* argument_checks) {
  FILE* file = open_fixture(directory, "bets.tsv");
  if (file == NULL) return 0;
  char* line = NULL;
  size_t capacity = 0;
  size_t rows = 0;
  while (getline(&line, &capacity, file) != -1) {
    char* fields[6];
    char game[512];
    if (split_row(line, fields, 6) != 6) continue;
    const char *name = fields[0], *mapper = fields[1], *message = fields[3];
    const char *receipt = fields[4], *transcript = fields[5];
    int32_t want_code = (int32_t)atoi(fields[2]);
    game_of(mapper, game, sizeof game);
    if (gdp_id != NULL) {
      if (strcmp(game, gdp_id) != 0 || strncmp(mapper, "noop:", 5) == 0 ||
          strncmp(mapper, "none:", 5) == 0) {
        continue;
      }
    } else if (strncmp(mapper, kind, strlen(kind)) != 0 || mapper[strlen(kind)] != ':') {
      continue;
    }
    if (strcmp(kind, "noop") == 0) expect(name, register_noop_mapper(game), 0, NULL);
    expect(name, verify_bet(receipt, transcript), want_code, want_code == 0 ? NULL : message);
    ++rows;
    if (argument_checks != NULL && !*argument_checks && want_code == 0) {
      /* A failure followed by a success leaves the slot empty. */
      verify_bet(NULL, transcript);
      expect("success after failure", verify_bet(receipt, transcript), 0, NULL);
      check_argument_and_decoding_rules(receipt, transcript);
      *argument_checks = 1;
    }
  }
  free(line);
  fclose(file);
  return rows;
}

/* read_file: the whole file, malloc'd; its size in |size|. */
static uint8_t* read_file(const char* directory, const char* name, size_t* size) {
  FILE* file = open_fixture(directory, name);
  if (file == NULL) return NULL;
  fseek(file, 0, SEEK_END);
  long length = ftell(file);
  fseek(file, 0, SEEK_SET);
  uint8_t* bytes = malloc(length > 0 ? (size_t)length : 1);
  *size = fread(bytes, 1, (size_t)length, file);
  fclose(file);
  return bytes;
}

/* check_packages: registers every fixture package, expecting its listed result,
 * and after each one that registers verifies the bets of its game. Returns the
 * number of package bets verified. */
static size_t check_packages(const char* directory) {
  FILE* file = open_fixture(directory, "packages.tsv");
  if (file == NULL) return 0;
  char* line = NULL;
  size_t capacity = 0;
  size_t bets = 0;
  while (getline(&line, &capacity, file) != -1) {
    char* fields[4];
    size_t count = split_row(line, fields, 4);
    if (count < 3) continue;
    size_t size = 0;
    uint8_t* bytes = read_file(directory, fields[1], &size);
    if (bytes == NULL) continue;
    int ok = strcmp(fields[2], "ok") == 0;
    expect(fields[0], register_gdp_package(bytes, size), ok ? 0 : 2, ok ? NULL : fields[2]);
    free(bytes);
    if (ok && count == 4) bets += verify_rows(directory, "", fields[3], NULL);
  }
  free(line);
  fclose(file);
  return bets;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s LIBRARY FIXTURES_DIR\n", argv[0]);
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
    return 2;
  }
  load_symbol(library, "zt_core_verify_bet", &verify_bet, sizeof verify_bet);
  load_symbol(library, "zt_core_register_noop_mapper", &register_noop_mapper,
              sizeof register_noop_mapper);
  load_symbol(library, "zt_core_register_gdp_package", &register_gdp_package,
              sizeof register_gdp_package);
  load_symbol(library, "zt_core_last_error_message", &last_error_message,
              sizeof last_error_message);

  int argument_checks = 0;
  size_t noop_bets = verify_rows(argv[2], "noop", NULL, &argument_checks);
  size_t unregistered_bets = verify_rows(argv[2], "none", NULL, NULL);
  size_t package_bets = check_packages(argv[2]);
  printf("verified %zu no-op bets, %zu bets of unregistered games, %zu package bets\n", noop_bets,
         unregistered_bets, package_bets);
  if (!argument_checks || unregistered_bets == 0 || package_bets == 0) {
    printf("FAIL the fixtures lack honest no-op bets, unregistered games or package bets\n");
    ++failures;
  }
  printf("%s: %d failed checks\n", failures ? "FAILED" : "PASSED", failures);
  return failures ? 1 : 0;
}
