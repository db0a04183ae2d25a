#include "harvest/NavigationHistory.h"

#include <gtest/gtest.h>

namespace {

using Items = std::vector<std::pair<std::string, int>>;

} // namespace

TEST(NavigationHistory, WalkAndJumps) {
    NavigationHistory h;
    // Following links A -> B -> C -> D: each page left goes onto the Back list.
    h.PushBack({"A", "http://a/"});
    h.PushBack({"", "http://b/"}); // no title: listed under its address
    h.PushBack({"C", "http://c/"});
    const HistoryEntry d{"D", "http://d/"};
    EXPECT_EQ(h.BackMenu(), (Items{{"C", 1014}, {"http://b/", 1017}, {"A", 1018}}));
    EXPECT_EQ(h.BackIndexOf(1018), 0);
    EXPECT_EQ(h.BackIndexOf(1019), -1);

    NavigationHistory back = h;
    EXPECT_EQ(back.Back(d), "http://c/");
    EXPECT_EQ(back.ForwardMenu(), (Items{{"D", 1022}}));
    EXPECT_EQ(back.backCount, 2);

    // From D, choosing A: the Back list empties, the Forward list holds D, C and B (newest).
    EXPECT_EQ(h.JumpBack(0, d), "http://a/");
    EXPECT_EQ(h.backCount, 0);
    EXPECT_EQ(h.ForwardMenu(), (Items{{"http://b/", 1022}, {"C", 1023}, {"D", 1024}}));
    EXPECT_EQ(h.Back({"A", "http://a/"}), std::nullopt) << "nothing to go back to";
    const HistoryEntry a{"A", "http://a/"}, b{"", "http://b/"}, c{"C", "http://c/"};
    EXPECT_EQ(h.Forward(a), "http://b/");
    EXPECT_EQ(h.Forward(b), "http://c/");
    EXPECT_EQ(h.Forward(c), "http://d/");
    EXPECT_EQ(h.forwardCount, 0);
    EXPECT_EQ(h.BackMenu(), (Items{{"C", 1014}, {"http://b/", 1017}, {"A", 1018}}));

    // Seven pushes keep the six newest; a jump forward over a full Back list drops its oldest.
    for (int i = 0; i < 7; ++i)
        h.PushBack({"p" + std::to_string(i), "u" + std::to_string(i)});
    EXPECT_EQ(h.backCount, 6);
    EXPECT_EQ(h.backEntries[0].url, "u1");
    h.PushForward({"y", "uy"});
    h.PushForward({"x", "ux"});
    EXPECT_EQ(h.JumpForward(0, {"now", "unow"}), "uy");
    EXPECT_EQ(h.backEntries[0].url, "u3");
    EXPECT_EQ(h.backEntries[5].url, "ux");
    EXPECT_EQ(h.JumpForward(3, {"now", "unow"}), std::nullopt);
}
