#pragma once
// What the start-up of a world built for a load asks that only the world that runs may do: save the
// player's files (through the writer) and play or set a sound the running game also sets. Remembered in
// order on the load thread, done on the main thread when the world takes the screen, or dropped (each named
// in the log) when the world is set aside.

#include <functional>
#include <utility>
#include <vector>

class HoWorld;

class StartUpAsks {
public:
    using Ask = std::function<void(HoWorld *)>;

    // `what` names the ask in the log when it is dropped; a literal.
    void remember(const char *what, Ask ask) { asks_.emplace_back(what, std::move(ask)); }
    // Does each ask in order for the world that took the screen, then forgets them.
    void doAll(HoWorld *world);
    // Forgets each ask, naming it in the log: the world it was asked for never takes the screen.
    void dropAll();
    bool empty() const { return asks_.empty(); }

private:
    std::vector<std::pair<const char *, Ask>> asks_;
};
