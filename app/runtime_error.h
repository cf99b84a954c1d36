#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

// A runtime error as an error trap sees it: number, source, description.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int32_t number, std::u16string source, std::u16string description)
      : std::runtime_error("Velmora runtime error"),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  int32_t Number() const { return number_; }
  const std::u16string& Source() const { return source_; }
  const std::u16string& Description() const { return description_; }

 private:
  int32_t number_;
  std::u16string source_;
  std::u16string description_;
};

inline constexpr int32_t kErrInvalidCall = 5;
inline constexpr int32_t kErrOverflow = 6;
inline constexpr int32_t kErrSubscript = 9;
inline constexpr int32_t kErrDivisionByZero = 11;
inline constexpr int32_t kErrInternal = 51;
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrObjectNotSet = 91;
inline constexpr int32_t kErrBadControlIndex = 340;

// An error raised by the program's own code: source "Velmora", the standard description.
RuntimeError ProgramError(int32_t number);

// The text of the error box: the two-line syntax message for error 5, otherwise five lines
// with the source, the number, the description and the version.
std::u16string ErrorBoxText(const RuntimeError& e);
