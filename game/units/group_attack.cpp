// The group attack: every able unit of the leader's group goes for the enemy nearest to it. The
// units decide in passes over the group (close in, change formation, face, fire, charge) until a
// pass makes no further progress; the leader then moves to the centre of its units.
#include "game/units/leader.h"

#include "core/application.h"
#include "game/units/combat.h"
#include "game/units/group.h"
#include "game/units/missile_capable.h"

#include <algorithm>
#include <vector>

namespace {

int Margin(const VhUnit* unit) {
    const Combat* c = AsCombat(unit);
    return c ? static_cast<int>(c->GetTQ()) - static_cast<int>(c->GetCohesionHits()) : 0;
}

// Whether a hex lies on an enemy's flank or in its rear: a charge from there needs no edge in quality.
bool OnFlankOrRear(VhUnit* enemy, std::uint16_t hex) {
    Combat* c = AsCombat(enemy);
    return c && (c->GetFlankHexList().Contains(static_cast<short>(hex)) || c->GetRearZoneList().Contains(static_cast<short>(hex)));
}

void Limber(Combat& unit, std::uint16_t flag) {
    Container<LimberUnlimberInfo> info(LimberUnlimberInfo(unit.GetUnitNum(), flag));
    delete unit.SendNamed("DoLimberUnlimber", &info);
}

void Mount(Combat& unit, std::uint16_t flag) {
    Container<MountDismountInfo> info(MountDismountInfo(unit.GetUnitNum(), flag));
    delete unit.SendNamed("DoMountDismount", &info);
}

void LineOrColumn(Combat& unit, std::uint16_t line) {
    Container<LineColumnInfo> info(LineColumnInfo(1, unit.GetUnitNum(), line, 1));
    delete unit.SendNamed("DoLineColumn", &info);
}

// A volley that actually went out reports back; one refused on the way (the unit broke under
// its reorder hit) never does.
bool Fired(MissileCapable& m, std::uint16_t target) {
    if (!m.CanFireNow()) return false;
    return m.FireAtHex(target) != 0 && m.HasFiredThisPhase();
}

} // namespace

int Leader::DoGroupAttack() {
    delete PostNamedEventAndWait("UnitDeselected");
    if (RollGroupCommand() == 1) {
        FailGroupCommand("attack");
        return 0;
    }
    BeginGroupCommand();
    SubscribeGroupActionReports();
    groupMovedUnits.Clear();
    pendingKinds.Clear();
    issuingOrders = 1;

    std::vector<std::uint16_t> done;
    int columnSum = 0, rowSum = 0, count = 0, pass = 0, progress = 0;
    bool allMoved = false;
    const auto finish = [&](std::uint16_t n) {
        if (std::find(done.begin(), done.end(), n) != done.end()) return;
        done.push_back(n);
        ++progress;
    };

    const auto step = [&](Combat& u) {
        const std::uint16_t n = u.GetUnitNum();
        if (std::find(done.begin(), done.end(), n) != done.end()) return;
        if (!u.IsOnMap() || u.IsRouted() || u.IsRallyOrResupplyThisTurn() || !landscape) return;
        std::int16_t t = u.FindNearestEnemy(static_cast<std::int16_t>(u.GetLocation()));
        if (t == -1) return;
        auto target = static_cast<std::uint16_t>(t);
        VhUnit* enemy = landscape->FirstUnitIn(target);
        std::uint16_t here = u.GetLocation();
        const int distance = landscape->RegionDistance(here, target);
        const int kind = u.GetUnitKind();
        MissileCapable* m = AsMissileCapable(&u);

        if (!u.HasMoved()) {
            const int setUp = kind == CavalryKind ? 4 : kind == ArtilleryKind ? 8 : kind == SupplyWagonKind ? 2 : 0;
            const int allowance = u.GetMovementAllowance();
            u.SetMovementPoints(static_cast<std::uint16_t>(allowance > setUp ? allowance - setUp : 0));
        }
        const auto faceTarget = [&]() {
            if (landscape->IsInFrontArc(here, target, static_cast<int>(u.GetFacing()))) return false;
            const auto toward = static_cast<std::uint32_t>(landscape->FacingTowards(here, target));
            // A turn that opened an enemy's opportunity fire reports when the segment ends.
            return u.CanWheelTo(toward) && Pend(n, Report::Segment, [&] { return u.TurnTowards(toward) == 1; });
        };
        if (faceTarget()) return;
        if (u.IsBreaking()) return;

        const bool shockKind = kind == InfantryKind || kind == CavalryKind;
        if (m) {
            if (m->GetMaxRange() < distance) {
                if (kind == ArtilleryKind && u.IsInLine()) Limber(u, 1);
                if (u.GetMovementPoints() < distance) {
                    if (kind == CavalryKind && !u.IsMounted()) Mount(u, 1);
                    else if (kind != ArtilleryKind && u.IsInLine()) LineOrColumn(u, 0);
                }
            } else {
                Pend(n, Report::Fire, [&] { return Fired(*m, target); });
                if (shockKind && Margin(&u) - Margin(enemy) < 2 && !OnFlankOrRear(enemy, here)) {
                    finish(n);
                    return;
                }
            }
        }

        const std::int16_t best = u.BestDestinationAdjacent(target);
        bool ordered = false;
        if (best != -1) {
            const auto s = static_cast<std::uint16_t>(best);
            const int left = landscape->RegionDistance(s, target);
            const bool waits = pass < 2 && left > 1 && landscape->RegionDistance(here, s) < u.GetMovementPoints();
            const bool away = left > distance;
            const bool wideColumn = kind == InfantryKind && u.IsTwoHex() && !u.IsInLine() && left == 1;
            if (!waits && !away && !wideColumn) ordered = Pend(n, Report::Move, [&] { return u.MoveTowards(s) != 0; });
        }
        if (!ordered) allMoved = false;
        else finish(n);
        if (u.IsBreaking()) return;

        here = u.GetLocation();
        columnSum += here / 100;
        rowSum += here % 100;
        ++count;

        if (shockKind && Margin(&u) - Margin(enemy) >= 2) {
            if (Pend(n, Report::Segment, [&] { return u.TurnToEngage() == 1; })) return;
            here = u.GetLocation();
        }
        if (u.IsBreaking()) return;

        if (shockKind) {
            if (!u.IsInFrontHexes(target)) {
                for (Item<short>* h = u.GetFrontHexList().Head(); h; h = h->next) {
                    VhUnit* x = landscape->FirstUnitIn(static_cast<std::uint16_t>(h->value));
                    if (x && x->IsHostileTo(side) && !x->IsLeader()) {
                        target = static_cast<std::uint16_t>(h->value);
                        enemy = x;
                        break;
                    }
                }
            }
            if (u.IsInFrontHexes(target) && (Margin(&u) - Margin(enemy) >= 2 || OnFlankOrRear(enemy, here)) && u.Attack(target))
                finish(n);
        }

        if (m) {
            const int reach = landscape->RegionDistance(here, target);
            const bool inReach = reach <= m->GetMaxRange() || (kind == InfantryKind && reach <= u.GetMovementAllowance());
            if (inReach && !u.IsInLine()) {
                if (kind == ArtilleryKind) Limber(u, 0);
                else LineOrColumn(u, 1);
            }
            if (inReach && kind == CavalryKind && u.IsMounted()) Mount(u, 0);
        }
        if (faceTarget()) return;
        if (!u.IsBreaking() && m) Pend(n, Report::Fire, [&] { return Fired(*m, target); });
    };

    while (!allMoved) {
        allMoved = true;
        progress = 0;
        if (group) {
            ListIterator<VhUnit*> it(&group->GetUnits(), 0);
            VhUnit* u = nullptr;
            while (it.Next(u))
                if (Combat* c = AsCombat(u)) step(*c);
        }
        if (progress == 0 && pass >= 2) break;
        ++pass;
    }

    Application* app = GetApplication();
    if (count == 0) {
        issuingOrders = 0;
        if (app) app->EndWait();
        UnsubscribeGroupActionReports();
        groupMovedUnits.Clear();
        pendingKinds.Clear();
        return 0;
    }
    Container<List<short>> range(commandRangeRegions);
    delete PostAndWait(HALF_DEHIGHLIGHT_REGION, &range);
    FaceGroup();
    MoveTowards(static_cast<std::uint16_t>((columnSum / count) * 100 + rowSum / count));
    if (app) app->EndWait();
    if (!computerPlayed && almostFinishedDialog) ShowAlmostFinished();
    // Units that only charged owe no report: with nothing pending the command is complete now.
    SettlePending(false);
    return 1;
}
