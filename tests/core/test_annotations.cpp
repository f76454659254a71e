#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "doc/Annotations.h"
#include "doc/TubescanDoc.h"
#include "view/OverlayGeometry.h"

namespace {

// A finished note with the given text at (x, 0).
void AddNote(AnnotationBook& book, float x, const std::string& text) {
    ASSERT_TRUE(book.PlaceNote(x, 0.0F));
    for (char c : text)
        book.TypeCharacter(static_cast<char32_t>(c));
    book.Settle(false, false);
}

void AddLine(AnnotationBook& book, float x) {
    ASSERT_EQ(book.ClickMeasure(x, 0.0F), AnnotationBook::MeasureClick::Started);
    ASSERT_EQ(book.ClickMeasure(x, 50.0F), AnnotationBook::MeasureClick::Finished);
}

std::string Kinds(const AnnotationBook& book) {
    std::string out;
    for (int i = 0; i < book.Count(); ++i)
        out += book.All()[static_cast<std::size_t>(i)].kind == kAnnotationNote ? 'n' : 'l';
    return out;
}

} // namespace

TEST(Annotations, PlacingFinishingAndRefusingTheHundredAndFirst) {
    int count = 0;
    AnnotationBook book(count);
    // An empty note is dropped when text mode ends; a second click moves it.
    ASSERT_TRUE(book.PlaceNote(1, 1));
    ASSERT_TRUE(book.PlaceNote(5, 6));
    EXPECT_EQ(book.Current()->x1, 5.0F);
    book.Settle(false, false);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(book.Current()->kind, kAnnotationEmpty);

    for (int i = 0; i < 50; ++i)
        AddNote(book, static_cast<float>(i), "n");
    for (int i = 0; i < 50; ++i)
        AddLine(book, static_cast<float>(i));
    EXPECT_EQ(count, 100);
    EXPECT_TRUE(book.Full());
    EXPECT_EQ(book.Current(), nullptr);
    EXPECT_FALSE(book.PlaceNote(0, 0));
    EXPECT_EQ(book.ClickMeasure(0, 0), AnnotationBook::MeasureClick::Refused);
    EXPECT_FALSE(book.LineStarted());
    EXPECT_EQ(count, 100);
    EXPECT_EQ(book.ShownCount(), 100);

    // A count written from outside never indexes past the records.
    count = 5000;
    EXPECT_EQ(book.Count(), 100);
    count = -3;
    EXPECT_EQ(book.Count(), 0);
}

TEST(Annotations, DeletingMixedRecordsKeepsTheOthersInOrder) {
    int count = 0;
    AnnotationBook book(count);
    // Adjacent notes are where deleting by moving records down used to skip one.
    AddNote(book, 0, "a");
    AddNote(book, 1, "b");
    AddLine(book, 2);
    AddNote(book, 3, "c");
    AddLine(book, 4);
    AddLine(book, 5);
    AddNote(book, 6, "d");
    ASSERT_TRUE(book.PlaceNote(7, 0)); // being typed
    book.TypeCharacter(U'e');
    ASSERT_EQ(Kinds(book), "nnlnlln");

    book.DeleteNotes();
    EXPECT_EQ(Kinds(book), "lll");
    EXPECT_FALSE(book.TextEntry());
    EXPECT_EQ(book.All()[0].x1, 2.0F);
    EXPECT_EQ(book.All()[2].x1, 5.0F);
    EXPECT_EQ(book.Current()->kind, kAnnotationEmpty);

    // A half-drawn line goes with the finished ones; deleting again is harmless.
    ASSERT_EQ(book.ClickMeasure(9, 9), AnnotationBook::MeasureClick::Started);
    book.DeleteLines();
    book.DeleteLines();
    book.DeleteNotes();
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(book.LineStarted());
    for (const ViewAnnotation& r : book.All())
        EXPECT_EQ(r.kind, kAnnotationEmpty);

    // Deleting from a full book frees records for new ones.
    for (int i = 0; i < 100; ++i)
        (i % 2 ? AddLine(book, 1) : AddNote(book, 1, "x"));
    book.DeleteLines();
    EXPECT_EQ(count, 50);
    EXPECT_TRUE(book.PlaceNote(0, 0));
}

TEST(Annotations, TypingTakesPrintableCharactersUpToTheLimit) {
    int count = 0;
    AnnotationBook book(count);
    book.Backspace(); // not typing: nothing to do
    book.TypeCharacter(U'x');
    ASSERT_TRUE(book.PlaceNote(0, 0));
    book.Backspace(); // an empty note stays empty
    for (char32_t ch : {U'A', U'\b', U'\r', U'\x1b', U'\x7f', char32_t{0x85}, U'\u00f8', U'1'})
        book.TypeCharacter(ch);
    EXPECT_EQ(book.Current()->text, "A\xC3\xB8"
                                    "1");
    book.Backspace();
    book.Backspace(); // the whole two-byte character
    EXPECT_EQ(book.Current()->text, "A");
    for (int i = 0; i < 400; ++i)
        book.TypeCharacter(U'\u00e9');
    EXPECT_EQ(book.Current()->text.size(), 1U + 2U * 254U);
}

TEST(Annotations, DocumentRequestsAreServedAndCleared) {
    CTubescanDoc doc;
    AnnotationBook book(doc.Display().m_annotationCount);
    AddNote(book, 0, "a");
    AddLine(book, 1);
    doc.Display().m_textInputMode = 1;
    ASSERT_TRUE(book.PlaceNote(2, 2));
    book.TypeCharacter(U'b');
    // "Delete All Drawings": text mode off first, so the typed note is
    // finished and then deleted with the others.
    doc.Display().m_textInputMode = 0;
    doc.Display().m_deleteTextRequest = doc.Display().m_deleteLinesRequest = 1;
    doc.Display().m_measureMode = 1;
    ServeAnnotationRequests(doc, book);
    EXPECT_EQ(doc.Display().m_annotationCount, 0);
    EXPECT_EQ(doc.Display().m_deleteTextRequest, 0);
    EXPECT_EQ(doc.Display().m_deleteLinesRequest, 0);
    EXPECT_EQ(doc.Display().m_measureMode, 0);
}

TEST(Annotations, LineLengthsInThreeUnitsAtTwoZoomsAndAnotherSoundSpeed) {
    int count = 0;
    AnnotationBook book(count);
    ASSERT_EQ(book.ClickMeasure(10, 20), AnnotationBook::MeasureClick::Started);
    ASSERT_EQ(book.ClickMeasure(160, 220), AnnotationBook::MeasureClick::Finished); // 250 long
    const ViewPoint origin{400, 300};
    const auto label = [&](double zoom, double speed, int units) {
        UpdateLineLabels(book, zoom, origin, 1.0, speed, units);
        return book.All()[0].text;
    };
    EXPECT_EQ(label(1.0, 1500, 0), "1.000 m");
    EXPECT_EQ(label(1.0, 1500, 1), "3.28 '");
    EXPECT_EQ(label(1.0, 1500, 2), "39.4 ''");
    EXPECT_EQ(label(2.0, 1500, 0), "1.000 m"); // a zoomed picture measures the same
    EXPECT_EQ(label(1.0, 1750, 0), "1.167 m");
    const std::optional<double> last = UpdateLineLabels(book, 1.0, origin, 4.0, 1500, 0);
    ASSERT_TRUE(last.has_value());
    EXPECT_DOUBLE_EQ(*last, 4.0);
    // Unusable values give no length rather than infinity.
    EXPECT_EQ(MeasuredLengthMetres(3, 4, 1.0, 0.0, 1500), 0.0);
    EXPECT_EQ(MeasuredLengthMetres(3, 4, 1.0, 1.0, 0.0), 0.0);
}

TEST(OverlayGeometry, ShapesArePlacedAndSizedFromTheSettings) {
    PipeShapeInput in;
    in.clientWidth = 800;
    in.clientHeight = 600;
    in.offsetX = 400;
    in.offsetY = 300;
    in.rangeMetres = 2.0;
    in.circleDiameter = 1.0; // k = 125 px/m: 125 px across
    auto circle = ComputePipeShape(in);
    ASSERT_TRUE(circle);
    EXPECT_EQ(circle->centre, (ViewPoint{400, 300}));
    ASSERT_EQ(circle->arcs.size(), 1U);
    EXPECT_EQ(circle->arcs[0].left, 337);
    EXPECT_EQ(circle->arcs[0].width, 125);
    EXPECT_EQ(circle->arcs[0].sweepDegrees, 360.0);

    // The stored centre scales with zoom / range; pans add on the screen.
    in.offsetX = 500;
    in.zoom = 2.0;
    in.imagePanX = 7;
    in.panY = -4;
    EXPECT_EQ(ComputePipeShape(in)->centre, (ViewPoint{507, 296}));
    // Only the circle allows for the playback bar.
    in.playback = true;
    in.playbackBarHeight = 40;
    EXPECT_EQ(ComputePipeShape(in)->centre.y, 276);
    in.shape = 1;
    EXPECT_EQ(ComputePipeShape(in)->centre.y, 296);

    // Horse-shoe 1.6 x 2.0 m at 250 px/m: crown over the top half, walls
    // down to the invert, which sags 0.1524 m; in all 2.0 m high.
    in = PipeShapeInput{};
    in.shape = 1;
    in.clientWidth = 800;
    in.clientHeight = 600;
    in.offsetX = 400;
    in.offsetY = 300;
    const auto shoe = ComputePipeShape(in);
    ASSERT_TRUE(shoe);
    ASSERT_EQ(shoe->arcs.size(), 2U);
    ASSERT_EQ(shoe->segments.size(), 2U);
    const ShapeArc& crown = shoe->arcs[0];
    EXPECT_EQ(crown.left, 200);
    EXPECT_EQ(crown.top, 100);
    EXPECT_NEAR(crown.startDegrees, 0.0, 1e-9);
    EXPECT_NEAR(crown.sweepDegrees, 180.0, 1e-9);
    EXPECT_EQ(shoe->segments[0].from, (ViewPoint{200, 300}));
    EXPECT_EQ(shoe->segments[1].to, (ViewPoint{600, 561})); // 300 + 500 - 200 - 38.1
    const ShapeArc& invert = shoe->arcs[1];
    EXPECT_NEAR(invert.top + invert.height, 561 + 38.1, 1.5); // lowest point
    EXPECT_GT(invert.startDegrees, 180.0);
    EXPECT_LT(invert.sweepDegrees, 180.0);

    // Irregular circle: dotted while it is being moved.
    in.shape = 2;
    in.moving = true;
    const auto irregular = ComputePipeShape(in);
    ASSERT_TRUE(irregular);
    EXPECT_TRUE(irregular->dotted);
    EXPECT_EQ(irregular->arcs[0].width, 500);
    EXPECT_EQ(irregular->arcs[1].width, 1500);
    EXPECT_EQ(irregular->segments[0].from.x, irregular->arcs[1].left);
}

TEST(OverlayGeometry, BadSettingsHideTheShapeInsteadOfOverflowing) {
    PipeShapeInput in;
    in.clientWidth = 800;
    in.clientHeight = 600;
    for (double range : {0.0, -1.0, std::nan("")}) {
        in.rangeMetres = range;
        EXPECT_FALSE(ComputePipeShape(in)) << range;
    }
    in.rangeMetres = 1.0;
    in.offsetX = 1e300;
    in.offsetY = -std::numeric_limits<double>::infinity();
    in.circleDiameter = 1e30;
    const auto shape = ComputePipeShape(in);
    ASSERT_TRUE(shape);
    EXPECT_LE(std::abs(shape->centre.x), 2'000'000);
    EXPECT_LE(shape->arcs[0].width, 1'000'000);

    double x = 10, y = 10;
    int panX = 4, panY = 4;
    FoldShapeDisplacement(x, y, panX, panY, 2.0, 0.0); // zoom 0 from a bad file
    EXPECT_EQ(x, 10.0);
    EXPECT_EQ(panX, 0);
    panX = 4;
    FoldShapeDisplacement(x, y, panX, panY, 2.0, 0.5);
    EXPECT_EQ(x, 26.0);
}

TEST(HotKeys, ZoomWrapsAndSpaceAndMActOnlyWhenAllowed) {
    EXPECT_EQ(ZoomKeyStep(0.5), 0.75);
    EXPECT_EQ(ZoomKeyStep(1.75), 2.0);
    EXPECT_EQ(ZoomKeyStep(2.0), 3.0);
    EXPECT_EQ(ZoomKeyStep(3.0), 0.5);
    EXPECT_EQ(ZoomKeyStep(2.5), 0.5);

    HotKeyState live;
    EXPECT_EQ(HotKeyFor(U' ', live), HotKey::Reverse);
    EXPECT_EQ(HotKeyFor(U' ', {true, false, false}), HotKey::None); // playback
    EXPECT_EQ(HotKeyFor(U' ', {false, true, false}), HotKey::None); // text mode
    EXPECT_EQ(HotKeyFor(U'm', live), HotKey::None);                 // no shape shown
    EXPECT_EQ(HotKeyFor(U'M', {false, false, true}), HotKey::MoveShape);
    EXPECT_EQ(HotKeyFor(U'z', live), HotKey::Zoom);
    EXPECT_EQ(HotKeyFor(U'T', live), HotKey::Train);
    EXPECT_EQ(HotKeyFor(0x1B, live), HotKey::Cancel);
    EXPECT_EQ(HotKeyFor(U'x', live), HotKey::None);
}
