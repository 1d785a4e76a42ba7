// A small JSON writer for the transcript: one object per line.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace yomite::trace {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view utf8);
  JsonWriter& String(TextView text) { return String(ToUtf8(text)); }
  JsonWriter& Int(long long n);
  JsonWriter& Number(double d);
  JsonWriter& Bool(bool b);
  JsonWriter& Null();

  const std::string& str() const { return out_; }

 private:
  void Separate();
  std::string out_;
  bool need_comma_ = false;
};

}  // namespace yomite::trace
