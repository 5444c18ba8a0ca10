// vellix for C++17: a catalog that owns its handle, and printf formatting whose conversions are
// checked against the real types of the arguments, so that a translation can never make the
// program misread one. Header-only, over the C functions of vellix.h.
//
//     const vellix::catalog texts = vellix::catalog::open_dir("$ORIGIN/../share/locale", "app");
//     std::puts(texts.ntr("files", n, "%lu file", "%lu files", n).c_str());
//
// A translation whose conversions do not fit the arguments gives way to the program's own text;
// only a program's own text that does not fit them throws vellix::format_error (a bug its tests
// find). A catalog may be read from several threads at once; moving or destroying it needs it alone.
#ifndef VELLIX_HPP
#define VELLIX_HPP

#include "vellix.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace vellix {

// A format whose conversions do not fit the arguments given, or that printf could misread. The
// message names the conversion: "'%d' needs signed int for argument 1, not a string".
class format_error : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

namespace detail {

template <class>
inline constexpr bool unsupported = false;

// An integer type's C type as vellix_value counts it; 0 for the others (wchar_t, char32_t...).
template <class Signed>
constexpr int rank_of() {
    if constexpr (std::is_same_v<Signed, signed char>) return 1;
    if constexpr (std::is_same_v<Signed, short>) return 2;
    if constexpr (std::is_same_v<Signed, int>) return 3;
    if constexpr (std::is_same_v<Signed, long>) return 4;
    if constexpr (std::is_same_v<Signed, long long>) return 5;
    return 0;
}

// What vellix_format_values needs to know of one argument: its kind, its size, its value. Filled
// in place: a union holding a long double passed by value draws an ABI note from GCC.
template <class T>
void value_of(const T &argument, vellix_value &value) {
    using Type = std::remove_cv_t<std::decay_t<T>>;
    if constexpr (std::is_same_v<Type, bool>) {
        static_assert(unsupported<T>, "vellix::format: no conversion prints a bool; pass an int or a text");
    } else if constexpr (std::is_same_v<Type, char>) {
        value.kind = VELLIX_VALUE_CHAR;
        value.size = 1;
        value.as.integer = static_cast<unsigned char>(argument);
    } else if constexpr (std::is_integral_v<Type> && std::is_signed_v<Type>) {
        value.kind = VELLIX_VALUE_SIGNED;
        value.rank = rank_of<Type>();
        value.size = sizeof(Type);
        value.as.integer = static_cast<long long>(argument);
    } else if constexpr (std::is_integral_v<Type>) {
        value.kind = VELLIX_VALUE_UNSIGNED;
        value.rank = rank_of<std::make_signed_t<Type>>();
        value.size = sizeof(Type);
        value.as.uinteger = static_cast<unsigned long long>(argument);
    } else if constexpr (std::is_same_v<Type, float> || std::is_same_v<Type, double>) {
        value.kind = VELLIX_VALUE_DOUBLE;
        value.as.number = static_cast<double>(argument);
    } else if constexpr (std::is_same_v<Type, long double>) {
        value.kind = VELLIX_VALUE_LONG_DOUBLE;
        value.as.long_number = argument;
    } else if constexpr (std::is_same_v<Type, std::string> || std::is_same_v<Type, std::string_view>) {
        value.kind = VELLIX_VALUE_STRING;
        value.size = argument.size();
        value.as.text = argument.data();
    } else if constexpr (std::is_same_v<Type, const char *> || std::is_same_v<Type, char *>) {
        value.kind = VELLIX_VALUE_STRING;
        value.size = static_cast<std::size_t>(-1);
        value.as.text = argument;
    } else if constexpr (std::is_pointer_v<Type> || std::is_null_pointer_v<Type>) {
        value.kind = VELLIX_VALUE_POINTER;
        value.as.pointer = argument;
    } else {
        static_assert(unsupported<T>, "vellix::format takes integers, floating point numbers, strings and pointers");
    }
}

// The values of `args`, in order, with one more at the end so that no arguments make no empty array.
template <class... Args>
struct values_of {
    vellix_value values[sizeof...(Args) + 1] = {};
    explicit values_of(const Args &...args) {
        std::size_t next = 0;
        (value_of(args, values[next++]), ...);
        (void)next;
    }
};

// Formats `format` with the values into `text`; false, with the reason in `why`, when they do not fit.
inline bool format_values(std::string &text, const char *format, const vellix_value *values, std::size_t count,
                          std::string &why) {
    char local[256];
    char error[256];
    const int length = vellix_format_values(local, sizeof local, format, values, count, error, sizeof error);
    if (length < 0) {
        why = error;
        return false;
    }
    if (static_cast<std::size_t>(length) < sizeof local) {
        text.assign(local, static_cast<std::size_t>(length));
        return true;
    }
    text.resize(static_cast<std::size_t>(length));  // room for the NUL: the string keeps one past its end
    vellix_format_values(&text[0], text.size() + 1, format, values, count, error, sizeof error);
    return true;
}

// `translation` formatted when the arguments fit it, else `source` (which must fit them).
template <class... Args>
std::string translated(const char *translation, const char *source, const Args &...args) {
    const values_of<Args...> given(args...);
    std::string text;
    std::string why;
    if (translation != source && translation && format_values(text, translation, given.values, sizeof...(Args), why)) {
        return text;
    }
    if (!format_values(text, source, given.values, sizeof...(Args), why)) throw format_error(why);
    return text;
}

}  // namespace detail

// printf's conversions (positional ones included, on every platform) with the C++ arguments, each
// conversion checked against its argument's type: integers by size and signedness, double (or
// float), long double, const char *, std::string and std::string_view for %s, pointers for %p,
// char for %c. Throws format_error naming the conversion when one does not fit, reads an argument
// not given, or the format is one printf could misread (a stray '%', %n, positions mixed or
// skipped); std::bad_alloc when memory runs out.
template <class... Args>
std::string format(const char *format, const Args &...args) {
    const detail::values_of<Args...> given(args...);
    std::string text;
    std::string why;
    if (!detail::format_values(text, format, given.values, sizeof...(Args), why)) throw format_error(why);
    return text;
}

// A catalog: owns its i18n handle (released with the catalog); move-only. Without a catalog (made
// empty, or one that did not load) every lookup gives the program's text.
class catalog {
public:
    catalog() noexcept = default;
    static catalog open(const char *name) { return catalog(vellix_open(name)); }
    static catalog load(const char *path) { return catalog(vellix_load(path)); }
    static catalog open_dir(const char *directory, const char *name) { return catalog(vellix_open_dir(directory, name)); }

    catalog(catalog &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    catalog &operator=(catalog &&other) noexcept {
        if (this != &other) {
            vellix_free(handle_);
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    catalog(const catalog &) = delete;
    catalog &operator=(const catalog &) = delete;
    ~catalog() { vellix_free(handle_); }

    // Whether a catalog was loaded.
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    // vellix_get and vellix_nget: the translation, or the text given (the very pointer).
    const char *get(const char *key, const char *text) const noexcept { return vellix_get(handle_, key, text); }
    const char *nget(const char *key, unsigned long n, const char *singular, const char *plural) const noexcept {
        return vellix_nget(handle_, key, n, singular, plural);
    }

    // The translation of `key` formatted with `args` when it reads what `text` reads (as
    // vellix_getf judges) and fits the arguments, else `text` formatted with them; throws
    // format_error only when `text` itself does not fit them.
    template <class... Args>
    std::string tr(const char *key, const char *text, const Args &...args) const {
        return detail::translated(vellix_getf(handle_, key, text), text, args...);
    }

    // The same for the plural form for `n` (`singular` when n == 1 and `plural` otherwise, where
    // there is no fitting translation). `n` is not one of `args`: pass it again to print it.
    template <class... Args>
    std::string ntr(const char *key, unsigned long n, const char *singular, const char *plural, const Args &...args) const {
        return detail::translated(vellix_ngetf(handle_, key, n, singular, plural), n == 1 ? singular : plural, args...);
    }

    // The handle, for the C functions; null without a catalog. It stays the catalog's.
    const i18n *handle() const noexcept { return handle_; }

private:
    explicit catalog(i18n *handle) noexcept : handle_(handle) {}
    i18n *handle_ = nullptr;
};

}  // namespace vellix

#endif  // VELLIX_HPP
