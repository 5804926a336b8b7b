/* A plain C host: includes the header and takes the address of every
   export, so a declared export missing from the library fails to link. */
#include <stdio.h>

#include "korvane.h"

typedef void (*AnyFunction)(void);

static const struct {
  const char *name;
  AnyFunction address;
} kExports[] = {
#define KV_EXPORT(result, name, params) {#name, (AnyFunction)name},
#include "korvane_exports.inc"
#undef KV_EXPORT
};

int main(void) {
  size_t count = sizeof kExports / sizeof kExports[0];
  for (size_t i = 0; i < count; ++i) {
    if (kExports[i].address == NULL) {
      printf("missing export %s\n", kExports[i].name);
      return 1;
    }
  }
  printf("%zu exports linked\n", count);
  return 0;
}
