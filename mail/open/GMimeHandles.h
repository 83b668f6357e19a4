#pragma once

#include <gmime/gmime.h>

#include <memory>

// GMime's objects held by C++ owners: each goes with one g_object_unref.
struct GObjectUnref
{
    void operator()(void *object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template<typename T>
using GOwned = std::unique_ptr<T, GObjectUnref>;

struct GFreeText
{
    void operator()(char *text) const { g_free(text); }
};
using GText = std::unique_ptr<char, GFreeText>;
