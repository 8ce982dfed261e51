#pragma once
// A failed platform call carries its reason: an error code (an errno or SQLite result,
// never 0 once something failed, because the screens print it in "Error occurred [00n:%d]")
// and a sentence for stderr. A successful call carries its value.
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace moru {

struct Error {
    int code = -1;        // errno or SQLite result code; never 0
    std::string message;  // what failed and why, for stderr
};

class Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error)) {}  // NOLINT: implicit on purpose

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

template <class T>
class Result {
public:
    Result(T value) : data_(std::move(value)) {}      // NOLINT: implicit on purpose
    Result(Error error) : data_(std::move(error)) {}  // NOLINT: implicit on purpose

    bool ok() const { return data_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(data_); }
    const T& value() const { return std::get<0>(data_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(data_); }
    Status status() const { return ok() ? Status() : Status(error()); }

private:
    std::variant<T, Error> data_;
};

}  // namespace moru
