// Plays the head link's owner for a document built without a SonarHost: it
// answers the document's question where the link stands with whatever the
// test sets, as the host answers it from its HeadLink.
#pragma once

#include "doc/TubescanDoc.h"

struct LinkStand : AttachedObserver {
    explicit LinkStand(CTubescanDoc& doc, LinkState initial = LinkState::Down)
        : AttachedObserver(doc), state(initial) {}
    std::optional<LinkState> HeadLinkState() const override { return state; }
    LinkState state;
};
