#include "forms/layout.h"

#include <charconv>
#include <stdexcept>

namespace morumoru {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

[[noreturn]] void Fail(int line, std::string_view what) {
  throw std::runtime_error("layout line " + std::to_string(line) + ": " + std::string(what));
}

}  // namespace

const std::string* LayoutObject::Find(std::string_view key) const {
  auto it = properties.find(std::string(key));
  return it == properties.end() ? nullptr : &it->second;
}

std::string LayoutObject::Text(std::string_view key, std::string_view fallback) const {
  const std::string* value = Find(key);
  return value ? *value : std::string(fallback);
}

int32_t LayoutObject::Number(std::string_view key, int32_t fallback) const {
  const std::string* value = Find(key);
  if (!value) return fallback;
  int32_t result = 0;
  auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), result);
  if (error != std::errc() || end != value->data() + value->size()) {
    throw std::runtime_error("layout: " + name + "." + std::string(key) + " is not a number");
  }
  return result;
}

bool LayoutObject::Flag(std::string_view key, bool fallback) const {
  const std::string* value = Find(key);
  if (!value) return fallback;
  return *value == "True";
}

LayoutObject ParseLayout(std::string_view text) {
  std::vector<LayoutObject> stack;
  LayoutObject root;
  bool haveRoot = false;
  int lineNumber = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (line.empty() || line.starts_with("#")) continue;
    if (line.starts_with("object ")) {
      std::string_view rest = line.substr(7);
      size_t colon = rest.find(':');
      if (colon == std::string_view::npos) Fail(lineNumber, "object without class");
      LayoutObject object;
      object.name = std::string(Trim(rest.substr(0, colon)));
      object.className = std::string(Trim(rest.substr(colon + 1)));
      stack.push_back(std::move(object));
    } else if (line == "end") {
      if (stack.empty()) Fail(lineNumber, "end without object");
      LayoutObject done = std::move(stack.back());
      stack.pop_back();
      if (!stack.empty()) {
        stack.back().children.push_back(std::move(done));
      } else if (!haveRoot) {
        root = std::move(done);
        haveRoot = true;
      } else {
        Fail(lineNumber, "second top-level object");
      }
    } else {
      size_t equals = line.find('=');
      if (equals == std::string_view::npos || stack.empty())
        Fail(lineNumber, "expected Key = value");
      std::string_view value = Trim(line.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
        value = value.substr(1, value.size() - 2);
      }
      stack.back().properties[std::string(Trim(line.substr(0, equals)))] = std::string(value);
    }
  }
  if (!stack.empty() || !haveRoot) Fail(lineNumber, "unterminated layout");
  return root;
}

}  // namespace morumoru
