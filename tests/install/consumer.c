/* consumer.c: a C program built outside the source tree against an installed
 * zt_core, found through pkg-config, as an integrator would build one.
 *
 *   consumer PACKAGE RECEIPT TRANSCRIPT
 *
 * Registers the game definition package, verifies the bet and prints the
 * library's version and the verdict. Exits with zt_core_verify_bet's code, or 10
 * when a file cannot be read or the package does not register. */
#include <stdio.h>
#include <stdlib.h>
#include <zt/zt_core.h>

#if !defined(ZT_CORE_VERSION_MAJOR) || !defined(ZT_CORE_VERSION_MINOR) || \
    !defined(ZT_CORE_VERSION_PATCH)
#error "zt/zt_core.h must define the version macros"
#endif

/* read_file: the whole file as a NUL-terminated, malloc'd buffer; its length in |out_len|. */
static char* read_file(const char* path, size_t* out_len) {
  FILE* file = fopen(path, "rb");
  if (file == NULL) return NULL;
  size_t capacity = 4096, length = 0, got;
  char* data = malloc(capacity);
  while (data != NULL && (got = fread(data + length, 1, capacity - length - 1, file)) > 0) {
    length += got;
    if (capacity - length < 2) {
      char* bigger = realloc(data, capacity *= 2);
      if (bigger == NULL) free(data);
      data = bigger;
    }
  }
  fclose(file);
  if (data == NULL) return NULL;
  data[length] = '\0';
  *out_len = length;
  return data;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s PACKAGE RECEIPT TRANSCRIPT\n", argv[0]);
    return 10;
  }
  printf("zt_core %s (%d.%d.%d)\n", ZT_CORE_VERSION_STRING, ZT_CORE_VERSION_MAJOR,
         ZT_CORE_VERSION_MINOR, ZT_CORE_VERSION_PATCH);
  size_t package_len = 0, receipt_len = 0, transcript_len = 0;
  char* package = read_file(argv[1], &package_len);
  char* receipt = read_file(argv[2], &receipt_len);
  char* transcript = read_file(argv[3], &transcript_len);
  int code = 10;
  if (package == NULL || receipt == NULL || transcript == NULL) {
    fprintf(stderr, "cannot read an input file\n");
  } else if (zt_core_register_gdp_package((const uint8_t*)package, package_len) != 0) {
    fprintf(stderr, "package refused: %s\n", zt_core_last_error_message());
  } else {
    code = zt_core_verify_bet(receipt, transcript);
    if (code == 0) {
      printf("verified\n");
    } else {
      const char* message = zt_core_last_error_message();
      printf("rejected (%d): %s\n", code, message ? message : "(no message)");
    }
  }
  free(package);
  free(receipt);
  free(transcript);
  return code;
}
