// The user and process of the native build, for the claims' tests.
#include "scheduler/session_identity.h"

#include <stdlib.h>
#include <unistd.h>

#include "platform/bounded_text.h"

const char* SessionUserName() {
  const char* user = getenv("USER");
  return user ? user : "";
}

void FormatSessionText(char* out, size_t outSize) {
  char host[64] = "";
  gethostname(host, sizeof host - 1);
  TextBuilder(out, outSize).Add("user ").Add(SessionUserName()).Add(", computer ").Add(host).Add(", process ")
      .Number(getpid());
}
