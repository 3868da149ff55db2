#pragma once
// Frees large results on a thread of their own, beside the window's.

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// Hands the objects over to the process's releaser thread, where the last references go: neither
// the window nor the next read waits while a long list or a file's rows give their memory back.
// What is handed over is used by no one after (shared parts only through atomic counts, as Qt's
// containers and texts have them). At the process's end what is left is freed and the thread
// stops.
void ReleaseBeside(std::vector<std::shared_ptr<const void>> objects);

template <class T> void ReleaseBeside(std::vector<std::shared_ptr<T>> objects)
{
    ReleaseBeside(std::vector<std::shared_ptr<const void>>(std::make_move_iterator(objects.begin()),
                                                           std::make_move_iterator(objects.end())));
}

inline void ReleaseBeside(std::shared_ptr<const void> object)
{
    ReleaseBeside(std::vector<std::shared_ptr<const void>>{std::move(object)});
}

// The value moved out of `value` (left empty) and freed beside.
template <class T> void ReleaseValueBeside(T& value)
{
    ReleaseBeside(std::make_shared<const T>(std::exchange(value, T())));
}
