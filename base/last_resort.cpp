#include "base/last_resort.h"

#include <new>
#include <string>

namespace yomite {

RuntimeError ErrorOf(std::exception_ptr escaped) {
  try {
    std::rethrow_exception(escaped);
  } catch (const RuntimeError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return RuntimeError(err::kOutOfMemory);
  } catch (const std::exception& e) {
    return RuntimeError(err::kInternal, e.what());
  } catch (...) {
    return RuntimeError(err::kInternal, "an exception of unknown type");
  }
}

void PrintReportLine(const char* program, const RuntimeError& error, std::FILE* out) {
  std::fprintf(out, "%s: Run-time error %d: %s\n", program, error.number(),
               error.message().c_str());
}

int RunToEnd(const char* program, const std::function<int()>& body,
             const std::function<void(const RuntimeError&)>& show) {
  try {
    return body();
  } catch (...) {
    try {
      RuntimeError error = ErrorOf(std::current_exception());
      PrintReportLine(program, error);
      if (show) show(error);
    } catch (...) {
      // Memory ran out again while reporting: the line still says so.
      std::fprintf(stderr, "%s: Run-time error %d: %s\n", program, err::kOutOfMemory,
                   StandardMessage(err::kOutOfMemory));
    }
    return 1;
  }
}

}  // namespace yomite
