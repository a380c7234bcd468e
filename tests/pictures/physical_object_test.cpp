#include "game/logic/combat_records.h"
#include "tests/pictures/pictures_fixture.h"

namespace pictest {
namespace {

using PictureTest = PictureLayerTest;

TEST_F(PictureTest, TheBasePictureGetsOneFigureAndAFlagWhenConnected) {
    auto* p = new TestPicture(TestPicture::Base, 12, 3);
    EXPECT_EQ(p->GetFigureCount(), 0);
    Place(p);
    ASSERT_EQ(p->GetFigureCount(), 1);
    VhSprite* figure = p->GetFigureSprite(0);
    ASSERT_NE(figure, nullptr);
    EXPECT_EQ(figure->GetCurrentFrame(), FrameInfo("Standing", 2));
    EXPECT_EQ(figure->GetZoomPosition(0), Point(120, 48 + 11));
    EXPECT_EQ(figure->GetArtAt(2), p->GetQuarterArt());
    ASSERT_NE(p->GetFlag(), nullptr);
    EXPECT_EQ(p->GetFlag()->GetZoomPosition(0), Point(static_cast<std::int16_t>(120 + p->GetBasePoint().x), 48));
    EXPECT_EQ(listener.created, (std::vector<Sprite*>{figure, p->GetFlag()}));
    EXPECT_EQ(layer->Sprites().Count(), 2);
    // The walking data is made by the first picture that connects.
    ASSERT_NE(VhPhysicalObject::WalkingData(), nullptr);
    EXPECT_EQ(VhPhysicalObject::WalkingData()->SectionCount(), 2);
    p->Connect();
    EXPECT_EQ(p->GetFigureCount(), 1);
}

TEST_F(PictureTest, KindsFourToSixCarryNoFlag) {
    for (std::uint32_t kind : {0u, 3u, 4u, 5u, 6u, 8u}) {
        auto* p = new TestPicture(TestPicture::Foot, 12, 1);
        p->SetKind(kind);
        Place(p);
        EXPECT_EQ(p->GetFlag() == nullptr, kind >= 4 && kind <= 6) << kind;
        EXPECT_EQ(p->HasNoFlag(), (kind >= 4 && kind <= 6) ? 1 : 0);
    }
}

TEST_F(PictureTest, TheOwnShiftInTheHexIsWithinFivePixelsAndLeavesTheGamesRandomAlone) {
    srand(5);
    const int next = rand();
    srand(5);
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        VhPhysicalObject p(kArt, 12, 1);
        const Point3D b = p.GetBasePoint();
        EXPECT_GE(b.x, -5);
        EXPECT_LE(b.x, 5);
        EXPECT_EQ(b.y, 0);
        EXPECT_EQ(b.z, 0);
        seen.insert(b.x);
    }
    EXPECT_EQ(seen.size(), 11u);
    EXPECT_EQ(rand(), next);
}

TEST_F(PictureTest, SectionBasesComeFromTheArt) {
    VhPhysicalObject p(kArt, 12, 1);
    EXPECT_EQ(p.GetStandSection(), 1);  // "CN"
    EXPECT_EQ(p.GetSequenceBase(), 2);  // "N"
    // Art missing from the index is reported (answered: carry on) and gives section 0.
    for (int k = 0; k < 3; ++k) platform::QueueMessageBoxAnswer(IDNO);
    VhPhysicalObject none("No Such Art", 12, 1);
    EXPECT_EQ(none.GetStandSection(), 0);
    EXPECT_EQ(none.GetSequenceBase(), 0);
}

TEST_F(PictureTest, TheRecordRoundTripsAndAFallenFigureStaysGone) {
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 2));
    p->Fall(2);
    p->SetState(5, 1);
    p->MakeLoose(5);
    p->SetLoss(40);
    const std::string record = RecordOf(*p);
    SuperString check;
    check.Write(record.data(), static_cast<std::int32_t>(record.size()));
    std::uint16_t hex = 0, count = 0, flag1 = 0, flag2 = 0, present0 = 0;
    std::uint32_t facing = 0;
    check >> hex >> facing >> count >> flag1 >> flag2 >> present0;
    EXPECT_EQ(hex, 12);
    EXPECT_EQ(facing, 2u);
    EXPECT_EQ(count, 8);
    EXPECT_EQ(present0, 1);

    auto* q = Place(new TestPicture(TestPicture::Foot, 30, 5));
    VhSprite* two = q->GetFigureSprite(2);
    listener.destroyed.clear();
    SuperString in;
    in.Write(record.data(), static_cast<std::int32_t>(record.size()));
    q->Load(in);
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(in.Remaining(), 0);
    EXPECT_EQ(listener.destroyed, (std::vector<Sprite*>{two}));
    EXPECT_EQ(q->GetFigureSprite(2), nullptr);
    EXPECT_EQ(q->GetFigureState(2), 2);
    EXPECT_EQ(q->GetFigureState(5), 1);
    EXPECT_EQ(q->LooseSprites().Count(), 1);
    EXPECT_TRUE(q->LooseSprites().Contains(q->GetFigureSprite(5)));
    EXPECT_EQ(q->GetLossPercent(), 40);
    EXPECT_EQ(q->GetHex(), 12);
    EXPECT_EQ(RecordOf(*q), record);
}

TEST_F(PictureTest, ADamagedOrForeignRecordIsRefusedWhole) {
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 2));
    p->Fall(3);
    const std::string record = RecordOf(*p);
    auto* q = Place(new TestPicture(TestPicture::Foot, 30, 5));
    const std::string before = RecordOf(*q);
    for (std::size_t cut : {std::size_t(3), std::size_t(40), record.size() / 2, record.size() - 1}) {
        SuperString in;
        in.Write(record.data(), static_cast<std::int32_t>(cut));
        q->Load(in);
        EXPECT_TRUE(in.Failed()) << cut;
        EXPECT_EQ(RecordOf(*q), before) << cut;
        EXPECT_NE(q->GetFigureSprite(3), nullptr);
    }
    // A record of a one-figure picture does not fit an eight-figure one.
    auto* single = Place(new TestPicture(TestPicture::Base, 12, 2));
    const std::string other = RecordOf(*single);
    SuperString in;
    in.Write(other.data(), static_cast<std::int32_t>(other.size()));
    q->Load(in);
    EXPECT_TRUE(in.Failed());
    EXPECT_EQ(RecordOf(*q), before);
}

TEST_F(PictureTest, ARecordWithoutTheFlagTakesTheFlagAway) {
    auto* noFlag = new TestPicture(TestPicture::Base, 12, 2);
    noFlag->SetKind(5);
    Place(noFlag);
    const std::string record = RecordOf(*noFlag);
    auto* p = Place(new TestPicture(TestPicture::Base, 12, 2));
    VhSprite* flag = p->GetFlag();
    ASSERT_NE(flag, nullptr);
    listener.destroyed.clear();
    SuperString in;
    in.Write(record.data(), static_cast<std::int32_t>(record.size()));
    p->Load(in);
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(p->GetFlag(), nullptr);
    EXPECT_EQ(listener.destroyed, (std::vector<Sprite*>{flag}));
}

TEST_F(PictureTest, ThePictureLeavesNoSpriteOfItsOwnInTheLayer) {
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 2));
    p->SetFacing(4);
    p->RebuildFigures();
    EXPECT_EQ(layer->Sprites().Count(), 8 + 1 + 8);
    pictures.clear();
    EXPECT_EQ(layer->Sprites().Count(), 0);
}

TEST_F(PictureTest, SelectedNeighsOnTheMainMapOnly) {
    auto* main = new TestPicture(TestPicture::Mounted, 12, 2);
    main->SetKind(8);
    Place(main);
    auto* close = new TestPicture(TestPicture::Mounted, 12, 2);
    close->SetKind(9);
    close->SetViewIndex(1);
    Place(close);
    sounds.calls.clear();
    delete layer->SendNamedEvent("Selected");
    EXPECT_EQ(sounds.calls, (std::vector<std::string>{"neigh 8"}));
}

TEST_F(PictureTest, RegionsAndDroppedFlag) {
    auto* p = Place(new TestPicture(TestPicture::Base, 17, 2));
    ContainerBase* regions = layer->SendNamedEvent("GetRegions");
    ASSERT_NE(PayloadValue<List<short>>(regions), nullptr);
    EXPECT_EQ(PayloadValue<List<short>>(regions)->Count(), 1);
    short first = 0;
    PayloadValue<List<short>>(regions)->PeekHead(first);
    EXPECT_EQ(first, 17);
    delete regions;
    delete layer->SendNamedEvent("DropFlag");
    for (int t = 0; t < 3; ++t) p->GetFlag()->Tick(100 * t, nullptr);
    EXPECT_TRUE(p->GetFlag()->IsHidden());
    EXPECT_EQ(p->GetStepSpeed(), 83);
}

TEST_F(PictureTest, CreateInstanceMakesAFreshPictureOfTheSameArt) {
    VhPhysicalObject prototype(kArt, 0, 1);
    std::unique_ptr<VhPhysicalObject> made(prototype.CreateInstance(static_cast<std::int16_t>(25), 6));
    EXPECT_EQ(made->GetHex(), 25);
    EXPECT_EQ(made->GetFacing(), 6u);
    EXPECT_EQ(made->GetArt()->GetName(), std::string(kArt));
    EXPECT_EQ(made->GetHalfArt()->GetName(), std::string(kArt) + " (Half size)");
}

TEST_F(PictureTest, AQueuedCohesionHitCarriesTheLossToCome) {
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 2));
    p->SetLoss(30);
    p->QueueCohesionHit(15);
    ASSERT_EQ(p->Commands().Count(), 1);
    LogicalCommandInfo c;
    p->Commands().Peek(c);
    EXPECT_EQ(c.command.Number(), RegisterMessage("CohesionHit"));
    EXPECT_EQ(c.reply.Number(), 0);
    const MethodOfDeathStruct* hit = PayloadValue<MethodOfDeathStruct>(c.data);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(*hit, MethodOfDeathStruct(45, 3, 0xFFFF));
}

TEST_F(PictureTest, HeldMovesReplayWithTheirTurnsBeforeTheLastOnlyOnce) {
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 2));
    List<short> first, second;
    first.AddTail(12);
    first.AddTail(13);
    second.AddTail(13);
    second.AddTail(14);
    p->HoldMove(first);
    p->HoldMove(second);
    p->HoldFacing(static_cast<DIRECTION>(3));
    p->HoldFacing(static_cast<DIRECTION>(4));
    p->SetPendingAboutFaces(1);
    p->ReleaseHeldMoves(5);
    std::vector<int> events;
    std::vector<int> facings;
    ListIterator<LogicalCommandInfo> walk(&p->Commands());
    LogicalCommandInfo c;
    while (walk.Next(c)) {
        events.push_back(c.command.Number());
        if (const DIRECTION* d = PayloadValue<DIRECTION>(c.data)) facings.push_back(*d);
    }
    const int moved = LOGICAL_OBJECT_MOVED, turned = CHANGE_UNIT_FACING, about = RegisterMessage("AboutFace");
    EXPECT_EQ(events, (std::vector<int>{moved, about, turned, turned, moved}));
    EXPECT_EQ(facings, (std::vector<int>{3, 4}));
    p->HoldMove(first);
    p->ReleaseHeldMoves(1);
    EXPECT_EQ(p->Commands().Count(), 7);  // an about-face and the move, no turn again
}

TEST_F(PictureTest, ShieldsFallBackToTheSharedDebrisArtAndShiftByFacingAndType) {
    struct Case {
        std::uint32_t facing;
        std::uint16_t typeCode;
        const char* image;
        Point at;  // slot 0's offset for the facing plus the shield shift
    };
    const Case cases[] = {
        {1, 0, "Shield U 0", Point(120 - 32 - 21, 48 - 5 - 4)},
        {5, 0, "Shield 0", Point(120 + 33 + 17, 48 + 16 - 4)},
        {5, 14, "Shield 0", Point(120 + 33 + 17, 48 + 16 - 9)},
        {8, 37, "Shield 0", Point(120 - 40 - 13, 48 + 27 - 11)},
    };
    for (const Case& c : cases) {
        auto* p = Place(new TestPicture(TestPicture::Foot, 12, c.facing));
        p->SetTypeCode(c.typeCode);
        std::unique_ptr<VhSprite> shield(p->MakeShield(0));
        ASSERT_NE(shield, nullptr);
        EXPECT_EQ(ImageName(*shield), c.image) << c.facing;
        EXPECT_EQ(shield->GetZoomPosition(0), c.at) << c.facing << " type " << c.typeCode;
        EXPECT_EQ(shield->GetArtAt(1), VhPhysicalObject::RoutDebrisArt(1));
        // Neither the figures' art nor the debris has spears.
        EXPECT_EQ(p->MakeSpear(0), nullptr);
    }
    // A helmet comes from the figures' own art, shifted by the direction it flies.
    auto* p = Place(new TestPicture(TestPicture::Foot, 12, 1));
    std::unique_ptr<VhSprite> helmet(p->MakeHelmet(0, 3));
    ASSERT_NE(helmet, nullptr);
    EXPECT_EQ(ImageName(*helmet).substr(0, 7), "Helmet ");
    EXPECT_EQ(helmet->GetZoomPosition(0), Point(120 - 32 + 141, 48 - 5 - 3));
    VhPhysicalObject plain("Activation Unit Flags", 12, 1);
    std::unique_ptr<VhSprite> none(plain.MakeHelmet(0, 3));
    EXPECT_EQ(none, nullptr);
    auto* mounted = new TestPicture(TestPicture::Mounted, 12, 1);
    mounted->SetKind(8);
    Place(mounted);
    EXPECT_EQ(mounted->MakeShield(0), nullptr);
}

TEST_F(PictureTest, ArtIsPreloadedOnlyFromTheSecondDataDirectory) {
    VhPhysicalObject p(kArt, 12, 1);
    QIF<Bitmap>* full = p.GetArt();
    const std::int16_t nw = full->SectionIndex("NW"), standing = full->SectionIndex("Standing");
    const std::int16_t halfN = p.GetHalfArt()->SectionIndex("N");
    std::string& second = app->GetDataDirectory(4);
    const std::string kept = second;
    second = "/somewhere/else";
    p.PreloadArt();
    EXPECT_EQ(full->ItemAt(full->ImageIndex(3, nw))->LockCount(), 0);
    second = kept;
    p.PreloadArt();
    EXPECT_EQ(full->ItemAt(full->ImageIndex(3, nw))->LockCount(), 1);
    EXPECT_EQ(full->ItemAt(full->ImageIndex(7, standing))->LockCount(), 1);
    EXPECT_EQ(p.GetHalfArt()->ItemAt(p.GetHalfArt()->ImageIndex(0, halfN))->LockCount(), 1);
    p.UnlockArt();
    EXPECT_EQ(full->ItemAt(full->ImageIndex(3, nw))->LockCount(), 0);
}

} // namespace
} // namespace pictest
