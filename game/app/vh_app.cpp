#include "game/app/vh_app.h"

#include "core/assertion.h"
#include "game/ai/player/vh_ai_factory.h"
#include "comms/ui/information_dlg.h"
#include "game/app/dialogs/front_dialog_services.h"
#include "game/app/dialogs/in_game_services.h"
#include "game/app/dialogs/more_dialog_services.h"
#include "game/app/dialogs/preference_dlg.h"
#include "game/app/dialogs/scenario_tables.h"
#include "core/super_string.h"
#include "game/app/vh_map_window.h"
#include "game/app/vh_toolbar.h"
#include "game/logic/game_random.h"
#include "game/pictures/unit_pictures.h"
#include "game/logic/referee/app_services.h"
#include "game/logic/referee/campaign_game.h"
#include "game/logic/referee/computer_player.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/units/leader.h"
#include "game/units/unit_types.h"
#include "game/pictures/sprite_records.h"
#include "game/pictures/vh_physical_object.h"
#include "game/pictures/vh_sprite.h"
#include "landscape/game/vh_physical_layer.h"
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/gdi.h"
#include "platform/registry.h"
#include "platform/window.h"
#include "comms/net/vh_net_component.h"
#include "ui/palette_animator.h"
#include "ui/qif.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kSource = "VHAPP";
// The product, publisher and art index of the demonstration edition.
constexpr const char* kAppKeys[] = {"Varnhold Demo", "Tolvane", "Vhqif.map"};
// The device-capability index of the bits per pixel; our platform answers 0 for it, as a
// palette display (8 bits or less) would be taken.
constexpr int kBitsPerPixel = 12;

VhApp* g_app = nullptr;
VhApp::MainMenu g_mainMenu;
VhApp::PreferencesDialog g_preferencesDialog;
std::unique_ptr<SoundService> g_nextSound;

std::string Field(const BYTE* bytes, std::size_t size) {
    std::size_t n = 0;
    while (n < size && bytes[n]) ++n;
    return std::string(reinterpret_cast<const char*>(bytes), n);
}

bool FileExists(const std::string& path) {
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) return false;
    _lclose(file);
    return true;
}

void PostShort(Component* sender, const char* name, std::uint16_t value) {
    Container<short> payload(static_cast<short>(value));
    sender->PostNamed(name, &payload);
}

} // namespace

// What the referee asks the game application directly; the leader-control and game-options
// questions are the front end's dialogs, and the objectives list of the battle being fought is
// the map's, all attached to the application's bus.
class VhAppServices : public FrontDialogServices {
public:
    explicit VhAppServices(VhApp& app_)
        : FrontDialogServices(&app_), app(app_), moreDialogs(&app_, [&app_] { return app_.GetScenarioIndex(); }) {}
    int RunObjectivesDialog() override { return moreDialogs.RunObjectivesDialog(); }
    // Without these the campaign went on to its first follower on its own and never showed the
    // end of the war.
    bool RunCampaignMapDialog(std::int32_t battle, const List<short>& choices, std::int32_t& choice) override {
        return moreDialogs.RunCampaignMapDialog(battle, choices, choice);
    }
    void RunCampaignResultsDialog(std::int32_t nation, int won, std::int16_t tally0, std::int16_t tally1) override {
        moreDialogs.RunCampaignResultsDialog(nation, won, tally0, tally1);
    }
    std::string GetSaveName() override { return app.GetSaveName(); }
    int GetGameMode() override { return app.GetGameMode(); }
    // The unit art of a record is named by its unit type's number.
    bool GetUnitArtName(std::int32_t artIndex, std::string& name) override {
        if (artIndex < 0 || artIndex >= ::UnitTypeCount()) return false;
        name = UnitTypeTable()[artIndex].name;
        return true;
    }

private:
    VhApp& app;
    MoreDialogServices moreDialogs;
};

VhApp* VhApp::Get() { return g_app; }
void VhApp::SetMainMenu(MainMenu menu) { g_mainMenu = std::move(menu); }
void VhApp::SetPreferencesDialog(PreferencesDialog dialog) { g_preferencesDialog = std::move(dialog); }
void VhApp::SetNextSoundManager(std::unique_ptr<SoundService> sound) { g_nextSound = std::move(sound); }

VhApp::VhApp() : WinApp(kAppKeys[0], kAppKeys[1], kAppKeys[2]) {
    g_app = this;
    // The menu commands' names take their fixed numbers before any component registers one of
    // them by name, which would give it another number and leave the command undelivered.
    VhToolbar::RegisterCommandNames();
    preloadedLibraries.reserve(10);
    // A location for data on other media, when the installation named one.
    secondDataDirectory = ReadRegistryValue("Second Path");

    loadingDialog = std::make_unique<LoadingDlg>();
    loadingDialog->AttachToBus(this);
    loadingDialog->Execute("LoadingDlg", Dialog::kModeless);
    loadingDialog->ShowFirstLogo();

    ReadDataFileList();
    CreateComponents();
    soundManager->CDNotPresent();
    std::srand(static_cast<unsigned>(GetTickCount()));
    LoadWaitCursor();
    BeginWait();
    soundThread = std::thread(&VhApp::SoundThread, this);

    // The figure sprites find the landscapes of the two views through their layers.
    VhSprite::SetViewLandscape(physicalLayer0, 0);
    VhSprite::SetViewLandscape(physicalLayer1, 1);
    RegisterSpriteRecordTypes();

    logicalLayer->AttachToBus(this);
    physicalLayer0->AttachToBus(this);
    physicalLayer1->AttachToBus(this);
    InstallDialogServices();
    // The frame suspends and resumes the colour cycling by bus message; the animator must hear them.
    paletteAnimator->AttachToBus(this);
    auto net = std::make_unique<VhNetComponent>();
    // A network game's battle is the one its lobby chose: its saved games and pictures name it.
    // An index from the other machine that names none of the ten is a scenario of one's own, so
    // that the saved games stay readable.
    net->SetScenarioChosen([this](std::int32_t index, const std::string& file) {
        scenarioIndex = index >= 0 && index <= frontend::kCustomScenario ? index : frontend::kCustomScenario;
        scenarioName = file;
    });
    net->AttachToBus(this);
    netComponent = std::move(net);

    RegisterUnitTypes();
    // The game layers open their map windows through the application, which knows the battle's
    // title (the overview's picture).
    VhPhysicalLayer::SetMapWindowMaker([this](VhPhysicalLayer& layer, SuperString* saved) -> MapWindowView* {
        const std::string title = frontend::ResourceString(frontend::ScenarioTitleId(scenarioIndex));
        if (saved) return new VhMapWindow(*saved, layer.CellTable(), layer.GridSize(), layer.MapSize(), title);
        return new VhMapWindow(layer.CellTable(), layer.GridSize(), layer.MapSize(), title);
    });
    preferences::Read(preferenceRecord);

    for (QIF<Bitmap>* library : preloadedLibraries) delete library;
    preloadedLibraries.clear();
}

VhApp::~VhApp() {
    {
        std::lock_guard<std::mutex> lock(soundMutex);
        soundStop = true;
    }
    soundWake.notify_all();
    if (soundThread.joinable()) soundThread.join();
    if (gameWaitCursor) {
        SetWaitCursor(nullptr);
        DestroyCursor(gameWaitCursor);
    }
    VhPhysicalObject::ReleaseUnitPictureArt();
    VhPhysicalLayer::SetMapWindowMaker(nullptr);
    if (GetComputerPlayerFactory() == &VhAIFactory()) SetComputerPlayerFactory(nullptr);
    if (inGameDialogs && inGameDialogs->GetBus()) inGameDialogs->DetachFromBus();
    inGameDialogs.reset();
    // Its connections and chat window go before the layers they talk to.
    if (netComponent && netComponent->GetBus()) netComponent->DetachFromBus();
    netComponent.reset();
    delete logicalLayer;
    delete physicalLayer0;
    delete physicalLayer1;
    if (VhSprite::GetViewLayer(0) == physicalLayer0) VhSprite::SetViewLandscape(nullptr, 0);
    if (VhSprite::GetViewLayer(1) == physicalLayer1) VhSprite::SetViewLandscape(nullptr, 1);
    delete soundManager;
    delete paletteAnimator;
    delete campaign;
    for (QIF<Bitmap>* library : preloadedLibraries) delete library;
    for (auto& list : unitTypes)
        for (unitType* type : list) delete type;
    if (loadingDialog && loadingDialog->GetBus()) loadingDialog->DetachFromBus();
    loadingDialog.reset();
    if (&AppServices() == services.get() || &AppServices() == inGameServices.get()) SetAppServices(nullptr);
    if (&GetUnitDialogs() == unitDialogs.get()) SetUnitDialogs(nullptr);
    if (g_app == this) g_app = nullptr;
}

// --- directories and data files ---

std::string& VhApp::GetDataDirectory(std::int16_t kind) {
    switch (kind) {
    case 2: return dataLocation == 1 ? secondDataDirectory : dataDirectory;
    case 4:
    case 7: return secondDataDirectory;
    default: return dataDirectory;
    }
}

std::string VhApp::FindDataFile(const std::string& name) {
    const std::string first = DataPath(GetDataDirectory(1), name);
    if (FileExists(first)) return first;
    if (!secondDataDirectory.empty()) {
        const std::string second = DataPath(secondDataDirectory, name);
        if (FileExists(second)) {
            HKEY key = nullptr;
            const std::string path = std::string("SOFTWARE\\") + GetPublisherKey() + "\\" + GetApplicationName();
            if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr) == ERROR_SUCCESS) {
                const BYTE one[4] = {1, 0, 0, 0};
                RegSetValueExA(key, "Install", 0, REG_DWORD, one, sizeof one);
                RegCloseKey(key);
            }
            dataLocation = 1;
            return second;
        }
    }
    AssertFail("Can't find " + name, kSource, __LINE__);
    return "";
}

void VhApp::OpenQIFLibraryAt(QIFBase* library, const BYTE* record, std::size_t recordSize) {
    recordEnd = nullptr;
    auto* reader = dynamic_cast<DataFileReader*>(library);
    if (!reader || !record || recordSize < 13) return;
    const std::string path = FindDataFile(Field(record, 13));
    // A library whose file is nowhere is not read: it stays empty, and the list's reader stops.
    if (path.empty()) return;
    const unsigned char* cursor = record + 13;
    if (reader->LoadFromMemory(path.c_str(), cursor, record + recordSize)) recordEnd = cursor;
}

void VhApp::OpenDataFile(const char* fileName, DataFileReader* reader) {
    const std::string path = FindDataFile(fileName ? fileName : "");
    if (path.empty()) return;
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) return;
    if (reader) reader->Load(path.c_str(), file);
    _lclose(file);
}

void VhApp::ReadDataFileList() {
    const std::string path = DataPath(GetDataDirectory(6), kDataFileList);
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) {
        AssertFail("Can't find " + path, kSource, __LINE__);
        return;
    }
    std::vector<BYTE> bytes;
    BYTE chunk[4096];
    for (;;) {
        const UINT got = _lread(file, chunk, sizeof chunk);
        if (got == static_cast<UINT>(HFILE_ERROR) || got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    _lclose(file);

    preloadedCount = 0;
    const BYTE* cursor = bytes.data();
    const BYTE* end = bytes.data() + bytes.size();
    while (cursor < end) {
        // A record cut short, or one whose library could not be read, ends the list: its length
        // is only known by reading it, so nothing after it can be found.
        if (static_cast<std::size_t>(end - cursor) < kLibraryNameSize + 13) {
            AssertFail("Damaged data-file list " + path, kSource, __LINE__);
            break;
        }
        const std::string name = Field(cursor, kLibraryNameSize);
        cursor += kLibraryNameSize;
        recordEnd = nullptr;
        auto* library = new QIF<Bitmap>(name.c_str(), cursor, static_cast<std::size_t>(end - cursor));
        preloadedLibraries.push_back(library);
        ++preloadedCount;
        if (!recordEnd || recordEnd <= cursor || recordEnd > end) break;
        cursor = recordEnd;
    }
}

// --- components ---

void VhApp::CreateComponents() {
    logicalLayer = new VhLogicalLayer();
    physicalLayer0 = new VhPhysicalLayer(0);
    physicalLayer1 = new VhPhysicalLayer(4);
    soundManager = g_nextSound ? g_nextSound.release() : new SoundService();
    paletteAnimator = new PaletteAnimator(GetPalette(), 4, 41, 45);
    services = std::make_unique<VhAppServices>(*this);
    SetAppServices(services.get());
    // The logical layer makes the computer's players through this factory.
    SetComputerPlayerFactory(&VhAIFactory());
}

// The referee's and the rules' dialogs are the real ones; what they do not answer comes from the
// application's own services.
void VhApp::InstallDialogServices() {
    inGameServices = std::make_unique<InGameServices>(logicalLayer, services.get());
    SetAppServices(inGameServices.get());
    unitDialogs = std::make_unique<InGameUnitDialogs>();
    SetUnitDialogs(unitDialogs.get());
    inGameDialogs = std::make_unique<InGameDialogs>(logicalLayer);
    inGameDialogs->AttachToBus(logicalLayer);
}

void VhApp::LoadWaitCursor() {
    HWND active = GetActiveWindow();
    HDC dc = GetDC(active);
    const int bits = GetDeviceCaps(dc, kBitsPerPixel);
    ReleaseDC(active, dc);
    const std::string path = DataPath(GetDataDirectory(0), bits < 9 ? "watch8.ani" : "watch.ani");
    gameWaitCursor = LoadCursorFromFileA(path.c_str());
    // Without the animated cursor the system's wait cursor stays.
    if (gameWaitCursor) SetWaitCursor(gameWaitCursor);
    else std::fprintf(stderr, "art: no cursor \"%s\"\n", path.c_str());
}

void VhApp::SoundThread() {
    std::unique_lock<std::mutex> lock(soundMutex);
    while (!soundStop) {
        lock.unlock();
        soundManager->ServiceGroups();
        ++soundServices;
        lock.lock();
        soundWake.wait_for(lock, std::chrono::milliseconds(200), [this] { return soundStop; });
    }
}

// --- unit types ---

std::int32_t VhApp::RegisterUnitType(const std::string& name, std::int32_t kind) {
    if (kind == -1) return -1;
    if (kind < 0 || kind >= kUnitKinds) {
        // A kind outside the lists has nowhere to go: refused as an unknown kind would be.
        AssertFail("Unknown unit kind for " + name, kSource, __LINE__);
        return -1;
    }
    unitTypes[kind].push_back(new unitType{name, nextUnitType});
    return nextUnitType++;
}

std::int32_t VhApp::FindUnitType(const std::string& name, std::int32_t kind) const {
    if (kind >= 0 && kind < kUnitKinds)
        for (const unitType* type : unitTypes[kind])
            if (type->name == name) return type->number;
    for (const auto& list : unitTypes)
        for (const unitType* type : list)
            if (type->name == name) return type->number;
    return -1;
}

bool VhApp::ArtIndexLists(const std::vector<std::string>& libraries) {
    const std::string path = DataPath(GetDataDirectory(1), GetMapFileName());
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) return false;
    std::vector<std::string> listed;
    BYTE countBytes[2];
    if (_lread(file, countBytes, 2) == 2) {
        const int count = static_cast<std::int16_t>(countBytes[0] | (countBytes[1] << 8));
        std::vector<BYTE> record(kArtIndexRecordSize);
        for (int i = 0; i < count; ++i) {
            if (_lread(file, record.data(), static_cast<UINT>(record.size())) != record.size()) break;
            listed.push_back(Field(record.data() + 13, 128));
        }
    }
    _lclose(file);
    for (const std::string& name : libraries)
        if (std::find(listed.begin(), listed.end(), name) == listed.end()) return false;
    return true;
}

std::vector<std::string> VhApp::PictureArtNames() {
    const UnitTypeEntry* table = UnitTypeTable();
    std::vector<std::string> art = {"Activation Unit Flags", "Generic Rout Debris", "Ball", "Cannon", "Walking Animation Data"};
    for (int i = 0; i < ::UnitTypeCount(); ++i) {
        const std::string name = table[i].pictureArt ? table[i].pictureArt : table[i].name;
        art.push_back(name);
        if (name.find("Battery") != std::string::npos) {
            std::string batteries[6];
            PArtillery::BatteryNames(name, false, batteries);
            art.push_back(batteries[0]);
            art.push_back(batteries[3]);
        }
        if (name.find("Cavalry") != std::string::npos)
            art.push_back((name.find("Confederate") != std::string::npos ? "Confederate" : "Union") + std::string(" Medium Infantry"));
    }
    return art;
}

void VhApp::RegisterUnitTypes() {
    const UnitTypeEntry* table = UnitTypeTable();
    // The pictures open their art as they are made, and a library missing from the index stops
    // the program; data without the unit art (or the art every picture shares) gets no pictures.
    const std::vector<std::string> art = PictureArtNames();
    const bool pictures = ArtIndexLists(art);
    for (int i = 0; i < ::UnitTypeCount(); ++i) {
        const std::int32_t number = RegisterUnitType(table[i].name, table[i].kind);
        if (number < 0) continue;
        const char* pictureArt = table[i].pictureArt ? table[i].pictureArt : table[i].name;
        if (pictures)
            if (VhPhysicalObject* picture = MakeUnitPicturePrototype(table[i].name, pictureArt))
                PhysicalLayer::RegisterCreator(static_cast<short>(number), picture);
        logicalLayer->RegisterObject(static_cast<std::int16_t>(number), table[i].makeRules(table[i].name).release());
        if (i == 6) loadingDialog->ShowSecondLogo();
    }
    if (pictures) VhPhysicalObject::InitUnitPictureArt();
}

// --- dialogs ---

int VhApp::MessageBox(const std::string& text, const std::string& secondText) {
    InformationDlg dialog(text.c_str(), 0);
    if (!secondText.empty()) dialog.AddLine(secondText.c_str());
    // A dialog that could not be made never confirms anything.
    return dialog.Execute("MessageBox", Dialog::kModal, 0, MainWindowHandle) == 1 ? 1 : 0;
}

// --- the run step ---

void VhApp::RegisterHandlers() {
    RegisterNamedHandler("GamePreferences", OnGamePreferences);
    RegisterNamedHandler("ShowMainDlg", OnShowMainDlg);
    RegisterNamedHandler("ExitGame", OnExitGame);
    RegisterNamedHandler("ShowFinishLeader", OnShowFinishLeader);
    RegisterNamedHandler("ShowGroupCommandConfirm", OnShowGroupCommandConfirm);
    RegisterNamedHandler("GetIndexOfUnitType", OnIndexOfUnitType);
    RegisterFlowHandlers();
}

void VhApp::PublishPreferences() {
    const PreferenceRecord& p = preferenceRecord;
    PostShort(this, "ToggleWalkingAnimation", p.movementAnimation);
    PostShort(this, "ToggleCombatAnimation", p.combatAnimation);
    PostShort(this, "ToggleMusic", p.music);
    PostShort(this, "SoundOn", p.sound);
    PostShort(this, "AmbientSoundOn", p.ambientSound);
    PostShort(this, "SoundVolume", p.volume);
    PostShort(this, "MusicVolume", p.musicVolume);
    PostShort(this, "ToggleSparseLandscape", p.sparseTrees);
    PostShort(this, "ShowFinishLeader", p.finishLeader);
    PostShort(this, "ShowGroupCommandConfirm", p.groupMoveConfirm);
    PostShort(this, "ShowOCR", p.overallCombatResults);
    Leader::SetCasualtyTestA(p.casualtyTestA);
    Leader::SetCasualtyTestB(p.casualtyTestB);
}

void VhApp::Run() {
    PostEvent(SYSTEM_START);
    EndWait();
    RegisterHandlers();
    PublishPreferences();
    PostNamedEvent("ShowMainDlg");
    WinApp::Run();
}

void VhApp::SavePreferences() {
    if (g_preferencesDialog) {
        g_preferencesDialog(preferenceRecord);
    } else {
        // Only the dialog's OK changes the record; what it holds is published either way.
        PreferenceDlg dialog(&preferenceRecord);
        dialog.Execute("DemoPreferences", Dialog::kModal, 0, MainWindowHandle);
    }
    const PreferenceRecord& p = preferenceRecord;
    PostShort(this, "ToggleWalkingAnimation", p.movementAnimation);
    PostShort(this, "ToggleCombatAnimation", p.combatAnimation);
    PostShort(this, "ToggleMusic", p.music);
    PostShort(this, "SoundOn", p.sound);
    PostShort(this, "AmbientSoundOn", p.ambientSound);
    PostShort(this, "ShowFinishLeader", p.finishLeader);
    PostShort(this, "ShowGroupCommandConfirm", p.groupMoveConfirm);
    PostShort(this, "ShowOCR", p.overallCombatResults);
    PostShort(this, "SoundVolume", p.volume);
    PostShort(this, "MusicVolume", p.musicVolume);
    PostShort(this, "ToggleSparseLandscape", p.sparseTrees);
    Leader::SetCasualtyTestA(p.casualtyTestA);
    Leader::SetCasualtyTestB(p.casualtyTestB);
    PostShort(this, "SetLeaderOrder", p.leaderOrder);
    if (p.automaticWinA)
        PostShort(this, "AutomaticWin", 1);
    else if (p.automaticWinB)
        PostShort(this, "AutomaticWin", 0);
    preferences::Write(p);
}

// --- handlers ---

ContainerBase* VhApp::OnIndexOfUnitType(Component* receiver, BusMessage, ContainerBase* payload) {
    VhApp* self = nullptr;
    if (!BusReceiver(receiver, self, kSource, __LINE__)) return nullptr;
    std::string name;
    if (const std::string* s = PayloadValue<std::string>(payload))
        name = *s;
    else if (!ExtractText(payload, name)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    std::int32_t number = self->FindUnitType(name, -1);
    // A type without a picture could not be shown: the scenario is refused as one whose unit has
    // no artwork, before anything of the battle starts.
    if (number >= 0 && !PhysicalLayer::Creator(static_cast<short>(number))) number = -1;
    return new Container<short>(static_cast<short>(number));
}

ContainerBase* VhApp::OnGamePreferences(Component* receiver, BusMessage, ContainerBase*) {
    VhApp* self = nullptr;
    if (BusReceiver(receiver, self, kSource, __LINE__)) self->SavePreferences();
    return nullptr;
}

ContainerBase* VhApp::OnShowMainDlg(Component* receiver, BusMessage, ContainerBase*) {
    VhApp* self = nullptr;
    if (!BusReceiver(receiver, self, kSource, __LINE__)) return nullptr;
    // A test may stand in for the start dialog.
    if (g_mainMenu)
        g_mainMenu(*self);
    else
        self->RunMainMenu();
    return nullptr;
}

ContainerBase* VhApp::OnExitGame(Component* receiver, BusMessage, ContainerBase*) {
    VhApp* self = nullptr;
    if (BusReceiver(receiver, self, kSource, __LINE__)) self->exitRequested = 1;
    return nullptr;
}

ContainerBase* VhApp::OnShowFinishLeader(Component* receiver, BusMessage, ContainerBase* payload) {
    VhApp* self = nullptr;
    short* value = nullptr;
    if (!BusArgs(receiver, payload, self, value, kSource, __LINE__)) return nullptr;
    self->preferenceRecord.finishLeader = static_cast<std::uint16_t>(*value);
    Leader::SetShowFinishLeader(static_cast<std::uint16_t>(*value));
    return nullptr;
}

ContainerBase* VhApp::OnShowGroupCommandConfirm(Component* receiver, BusMessage, ContainerBase* payload) {
    VhApp* self = nullptr;
    short* value = nullptr;
    if (!BusArgs(receiver, payload, self, value, kSource, __LINE__)) return nullptr;
    self->preferenceRecord.groupMoveConfirm = static_cast<std::uint16_t>(*value);
    Leader::SetGroupCommandConfirm(static_cast<std::uint16_t>(*value));
    return nullptr;
}
