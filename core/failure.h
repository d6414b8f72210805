#pragma once

#include "core/messages.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <utility>
#include <variant>

// How the program says that something did not work. Three shapes, and no others:
//
//  - Expected<T>: a value, or a Failure. Everything below the window and the command line
//    that can fail returns one: opening and saving files, the field checks, the plan, the
//    outputs, the tables. Expected<void> is "done, or why not".
//  - conversation::Result: the outcome of one exchange with a module, with everything the
//    exchange saw (the reply, the bytes sent, the port's state). Its failure() is a Failure
//    like any other, so the words for it are found in one place.
//  - a plain bool, only where there is nothing to say but yes or no (a predicate).
//
// No sentinels (an empty string, -1) and no optional whose presence means failure. A lookup
// that can miss (a name that is no field, a widget on no page) is no failure: it answers
// with std::optional or a null pointer, and absence is the answer.

// What went wrong: its code for scripts (messages::Code), the Hungarian words a user reads
// (they may hold line breaks; messages::oneLine flattens them for a result line) and what a
// script or the record needs besides, as JSON keys ("field", "row", "column", "reason",
// "systemError", ...).
struct Failure
{
    Failure() = default;
    Failure(messages::Code what, QString text, QJsonObject keys = {})
        : code(what), message(std::move(text)), details(std::move(keys))
    {
    }

    messages::Code code = messages::Code::None;
    QString message;
    QJsonObject details;
};

template <typename T> class [[nodiscard]] Expected
{
public:
    Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Expected(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(m_state); }
    T& value() & { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    // The value when there is one, `fallback` otherwise.
    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

    const Failure& failure() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

template <> class [[nodiscard]] Expected<void>
{
public:
    Expected() = default;
    Expected(Failure failure) : m_failure(std::move(failure)) {}

    bool ok() const { return !m_failure.has_value(); }
    explicit operator bool() const { return ok(); }

    const Failure& failure() const { return *m_failure; }

private:
    std::optional<Failure> m_failure;
};
