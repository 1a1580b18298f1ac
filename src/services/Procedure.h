#pragma once

// Every service operation is one procedure call: its name, its input record and
// its result type. These helpers keep the call kind and the envelope out of the
// services, so an operation reads as exactly those three things.
//
// An input record only needs to write itself: required keys always, absent
// optionals never (not even as null). A result type of void means the reply's
// data is not read, though the reply must still be a procedure reply.

#include "models/Json.h"
#include "network/APIClient.h"
#include "network/EmptyResponse.h"

#include <QCoroTask>
#include <QJsonObject>
#include <QString>

#include <type_traits>
#include <utility>

namespace procedure {

template <typename T>
concept Input = requires(const T& input, json::Writer& writer)
{
    input.write(writer);
};

// The input of the many operations that name one thing by its identifier.
struct Id {
    QLatin1StringView key;
    qint64 value;
    void write(json::Writer& w) const { w.required(key, value); }
};

// The input of every paged list: the page number (from 1) and how many per page.
struct Page {
    qint64 page;
    qint64 limit;
    void write(json::Writer& w) const
    {
        w.required(QLatin1StringView("page"), page);
        w.required(QLatin1StringView("limit"), limit);
    }
};

template <Input I> QJsonObject encode(const I& input)
{
    json::Writer writer;
    input.write(writer);
    return writer.take();
}

inline QCoro::Task<> discard(QCoro::Task<EmptyResponse> reply) { co_await std::move(reply); }

template <typename R> QCoro::Task<R> query(APIClient& api, QString name) { return api.query<R>(std::move(name)); }

template <typename R, Input I> QCoro::Task<R> query(APIClient& api, QString name, const I& input)
{
    return api.query<R>(std::move(name), encode(input));
}

template <typename R> QCoro::Task<R> mutation(APIClient& api, QString name)
{
    if constexpr (std::is_void_v<R>)
        return discard(api.mutation(std::move(name)));
    else
        return api.mutation<R>(std::move(name));
}

template <typename R, Input I> QCoro::Task<R> mutation(APIClient& api, QString name, const I& input)
{
    if constexpr (std::is_void_v<R>)
        return discard(api.mutation(std::move(name), encode(input)));
    else
        return api.mutation<R>(std::move(name), encode(input));
}

} // namespace procedure
