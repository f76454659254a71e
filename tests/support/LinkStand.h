// Plays the head link's owner for a document built without a SonarHost: it
// answers the document's questions where the link stands and whether a reply
// is awaited with whatever the test sets, and forgets the awaited reply when
// told, as the host does with its HeadLink.
#pragma once

#include "doc/TubescanDoc.h"

struct LinkStand : AttachedObserver {
    explicit LinkStand(CTubescanDoc& doc, LinkState initial = LinkState::Down)
        : AttachedObserver(doc), state(initial) {}
    std::optional<LinkState> HeadLinkState() const override { return state; }
    std::optional<bool> ReplyPending() const override { return replyPending; }
    void OnForgetPendingReply() override { replyPending = false; }
    LinkState state;
    bool replyPending = false;
};
