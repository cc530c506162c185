#pragma once
// The program's errors: each carries its message, its class name and the code
// address it was raised from (the last-chance box names the module and offset).

#include <stdexcept>
#include <string>

namespace morumoru {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message, const void* address = nullptr)
      : std::runtime_error(message), address_(address) {}
  virtual const char* ClassName() const noexcept { return "Exception"; }
  const void* Address() const noexcept { return address_; }
  void SetAddress(const void* address) noexcept { address_ = address; }

 private:
  const void* address_;
};

// Name is a class name, which takes no parentheses. Left as it is by
// clang-format: 14 keeps the short function on one line, 19 breaks it.
// NOLINTBEGIN(bugprone-macro-parentheses)
// clang-format off
#define MORUMORU_ERROR_CLASS(Name)                                    \
  class Name : public Exception {                                     \
   public:                                                            \
    using Exception::Exception;                                       \
    const char* ClassName() const noexcept override { return #Name; } \
  }
// clang-format on
// NOLINTEND(bugprone-macro-parentheses)

MORUMORU_ERROR_CLASS(ERangeError);
MORUMORU_ERROR_CLASS(EIntOverflow);
MORUMORU_ERROR_CLASS(EInvalidOp);
MORUMORU_ERROR_CLASS(EZeroDivide);
MORUMORU_ERROR_CLASS(EOverflow);
MORUMORU_ERROR_CLASS(EIniFileException);

#undef MORUMORU_ERROR_CLASS

// The run-time messages, as the user reads them.
inline constexpr const char* kRangeErrorText = "範囲チェックエラー";
inline constexpr const char* kIntOverflowText = "整数のオーバーフロー";
inline constexpr const char* kInvalidOpText = "不正な浮動小数点数演算命令";
inline constexpr const char* kZeroDivideText = "0 による浮動小数点数除算";
inline constexpr const char* kOverflowText = "浮動小数点数のオーバーフロー";
inline constexpr const char* kCannotWriteTemplate = "%s に書き込めません";

// Throws E with the caller's code address recorded. Kept out of line so that
// the return address is the raising site, not an inlined copy of this helper.
template <class E>
[[noreturn]] __attribute__((noinline)) void Raise(const std::string& message) {
  throw E(message, __builtin_extract_return_addr(__builtin_return_address(0)));
}

}  // namespace morumoru
