#include "EditorTestSupport.h"
#include "FloatParameter.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>

using namespace editortest;

namespace
{
// A preset file whose "Valve Drive" tells it apart.
void writePreset(const juce::File& folder, const juce::String& name, float drive)
{
    VornAudioProcessor source;
    source.valveDriveParam->setValue(drive);
    folder.createDirectory();
    ASSERT_TRUE(source.savePreset(folder.getChildFile(name + ".atp")).wasOk());
}

float driveIn(const juce::File& file)
{
    const auto xml = juce::parseXML(file);
    return xml == nullptr ? -1.0f : (float)xml->getDoubleAttribute("ValveDrive", -1.0);
}

juce::StringArray itemsOf(juce::ComboBox& box)
{
    juce::StringArray items;
    for (int i = 0; i < box.getNumItems(); ++i)
        items.add(box.getItemText(i));
    return items;
}

// Answers the next alert with the named button and keeps what it said.
struct AlertAnswer
{
    explicit AlertAnswer(juce::String button)
        : whenModal(
              [this, button](juce::Component& modal)
              {
                  if (auto* alert = dynamic_cast<juce::AlertWindow*>(&modal))
                  {
                      title = alert->getName();
                      message = alert->getDescription().fromFirstOccurrenceOf(title + ". ", false, false);
                      alert->triggerButtonClick(button);
                  }
              })
    {
    }

    bool shown() const { return whenModal.hasRun(); }

    juce::String title;
    juce::String message;
    WhenModal whenModal;
};

bool noModalComponent()
{
    return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0;
}

struct ClickCount : juce::Button::Listener
{
    explicit ClickCount(juce::Button& b) : button(b) { button.addListener(this); }
    ~ClickCount() override { button.removeListener(this); }
    void buttonClicked(juce::Button*) override { ++clicks; }

    juce::Button& button;
    int clicks = 0;
};

// The editor with a preset folder of its own.
struct PresetBarOnDesktop : testing::Test
{
    void makeEditor()
    {
        e = std::make_unique<EditorUnderTest>();
        ASSERT_TRUE(guitest::deliverPosted());
    }

    // The click comes from a message, and the box's change from one that the click posts.
    void step(ImageButtonW& button)
    {
        ClickCount count(button);
        button.triggerClick();
        ASSERT_TRUE(guitest::runUntil([&] { return count.clicks == 1; }));
        ASSERT_TRUE(guitest::deliverPosted());
    }

    // Types nothing: sets the field and presses Return, as the window's own tests do for real.
    void requestSave(const juce::String& name)
    {
        auto& editor = **e;
        editor.savePresetButton.triggerClick();
        ASSERT_TRUE(guitest::runUntil([&] { return editor.setPresetNameWindow.isVisible(); }));
        auto* content = editor.setPresetNameWindow.getPresetNameComponent();
        content->nameEditor.setText(name, false);
        content->textEditorReturnKeyPressed(content->nameEditor);
    }

    VornAudioProcessor& processor() { return e->processor; }
    VornAudioProcessorEditor& editor() { return **e; }

    TemporaryHome home;
    juce::File folder = home.presetFolder();
    std::unique_ptr<EditorUnderTest> e;
};
} // namespace

TEST_F(PresetBarOnDesktop, ListsEveryPresetFileOfTheFolderByName)
{
    for (auto name : {"Warm", "Tape.Slow", ".hidden", "Bright"})
        writePreset(folder, name, 0.5f);
    folder.getChildFile(".atp").replaceWithText(folder.getChildFile("Warm.atp").loadFileAsString());
    folder.getChildFile("notes.txt").replaceWithText("not a preset");
    writePreset(folder.getChildFile("sub"), "Nested", 0.5f);

    makeEditor();
    auto items = itemsOf(editor().presetComboBox);
    for (int i = 0; i < items.size(); ++i)
        EXPECT_EQ(editor().presetComboBox.getItemId(i), i + 1);
    items.sort(false);
    EXPECT_EQ(items, juce::StringArray({".atp", ".hidden", "Bright", "Tape.Slow", "Warm"}));
    EXPECT_EQ(editor().presetComboBox.getText(), "");

    // ".atp" names a file ".atp.atp": choosing it loads nothing but becomes the current name.
    processor().valveDriveParam->setValue(0.9f);
    ASSERT_TRUE(guitest::deliverPosted()); // the refresh, which would otherwise reset the box's text
    editor().presetComboBox.setText(".atp", juce::sendNotificationAsync);
    ASSERT_TRUE(guitest::runUntil([&] { return processor().currentPresetName == ".atp"; }));
    EXPECT_EQ(processor().valveDriveParam->getValue(), 0.9f);

    // "Tape.Slow" loads its own file.
    editor().presetComboBox.setText("Tape.Slow", juce::sendNotificationAsync);
    ASSERT_TRUE(guitest::runUntil([&] { return processor().currentPresetName == "Tape.Slow"; }));
    EXPECT_EQ(processor().valveDriveParam->getValue(), 0.5f);
}

TEST_F(PresetBarOnDesktop, PreviousAndNextWrapAroundAndLoad)
{
    writePreset(folder, "A", 0.1f);
    writePreset(folder, "B", 0.2f);
    writePreset(folder, "C", 0.3f);
    makeEditor();
    auto& box = editor().presetComboBox;
    ASSERT_EQ(box.getNumItems(), 3);

    const auto driveOf = [&](int index)
    { return driveIn(folder.getChildFile(box.getItemText(index) + ".atp")); };

    // From no selection, next goes to the first item.
    step(editor().nextPresetButton);
    EXPECT_EQ(box.getSelectedItemIndex(), 0);
    EXPECT_EQ(processor().valveDriveParam->getValue(), driveOf(0));
    EXPECT_EQ(processor().currentPresetName, box.getItemText(0));

    // From the first, previous goes to the last, and from the last, next to the first.
    step(editor().prevPresetButton);
    EXPECT_EQ(box.getSelectedItemIndex(), 2);
    EXPECT_EQ(processor().valveDriveParam->getValue(), driveOf(2));
    step(editor().nextPresetButton);
    EXPECT_EQ(box.getSelectedItemIndex(), 0);
    EXPECT_EQ(processor().valveDriveParam->getValue(), driveOf(0));
    step(editor().nextPresetButton);
    EXPECT_EQ(box.getSelectedItemIndex(), 1);
    EXPECT_EQ(processor().currentPresetName, box.getItemText(1));
    EXPECT_EQ(processor().valveDriveParam->getValue(), driveOf(1));
}

TEST_F(PresetBarOnDesktop, PreviousFromNoSelectionGoesToTheLastItem)
{
    writePreset(folder, "A", 0.1f);
    writePreset(folder, "B", 0.2f);
    makeEditor();
    step(editor().prevPresetButton);
    EXPECT_EQ(editor().presetComboBox.getSelectedItemIndex(), 1);
    EXPECT_EQ(processor().currentPresetName, editor().presetComboBox.getItemText(1));
}

TEST_F(PresetBarOnDesktop, ASingleItemStaysAndAnEmptyListDoesNothing)
{
    makeEditor();
    step(editor().nextPresetButton);
    step(editor().prevPresetButton);
    EXPECT_EQ(editor().presetComboBox.getText(), "");
    EXPECT_EQ(processor().currentPresetName, "");

    writePreset(folder, "Only", 0.4f);
    makeEditor();
    step(editor().nextPresetButton);
    ASSERT_EQ(processor().currentPresetName, "Only");
    processor().valveDriveParam->setValue(0.8f);
    step(editor().nextPresetButton);
    step(editor().prevPresetButton);
    EXPECT_EQ(editor().presetComboBox.getSelectedItemIndex(), 0);
    EXPECT_EQ(processor().valveDriveParam->getValue(), 0.8f); // nothing loaded again
}

// A restored name whose file has gone is shown though the list is empty; a step lands on no
// preset and clears it.
TEST_F(PresetBarOnDesktop, PreviousOrNextWithAnEmptyListClearsAShownName)
{
    juce::MemoryBlock state;
    {
        VornAudioProcessor source;
        source.currentPresetName = "Gone";
        source.getStateInformation(state);
    }
    for (auto which : {"next", "previous"})
    {
        SCOPED_TRACE(which);
        makeEditor();
        ASSERT_EQ(editor().presetComboBox.getNumItems(), 0);
        processor().setStateInformation(state.getData(), (int)state.getSize());
        ASSERT_TRUE(guitest::runUntil([&] { return editor().presetComboBox.getText() == "Gone"; }));

        auto& button = juce::String(which) == "next" ? editor().nextPresetButton : editor().prevPresetButton;
        button.triggerClick();
        EXPECT_TRUE(guitest::runUntil(
            [&] {
                return editor().presetComboBox.getText().isEmpty() && processor().currentPresetName.isEmpty();
            }));
    }
}

// "Warm.atp" and "Warm.ATP" are both listed, since the listing ignores case, but both would load
// Warm.atp: the name is listed once.
TEST_F(PresetBarOnDesktop, EachPresetNameIsListedOnce)
{
    writePreset(folder, "Warm", 0.3f);
    writePreset(folder, "Cold", 0.5f);
    folder.getChildFile("Warm.atp").copyFileTo(folder.getChildFile("Warm.ATP"));
    folder.getChildFile("Cold.atp").copyFileTo(folder.getChildFile("warm.atp"));
    makeEditor();

    auto& box = editor().presetComboBox;
    auto items = itemsOf(box);
    items.sort(false);
    EXPECT_EQ(items.joinIntoString(","), "Cold,Warm,warm");

    // A restored name selects its item, and the steps go through each name once.
    processor().currentPresetName = "Warm";
    editor().updateControlsFromProcessor();
    ASSERT_GE(box.getSelectedItemIndex(), 0);
    ASSERT_EQ(box.getText(), "Warm");
    juce::StringArray stepped;
    for (int i = 0; i < box.getNumItems(); ++i)
    {
        const auto before = box.getSelectedItemIndex();
        editor().nextPresetButton.triggerClick();
        ASSERT_TRUE(guitest::runUntil(
            [&] {
                return box.getSelectedItemIndex() != before && processor().currentPresetName == box.getText();
            }));
        stepped.add(box.getText());
    }
    EXPECT_EQ(stepped[stepped.size() - 1], "Warm");
    stepped.sort(false);
    EXPECT_EQ(stepped.joinIntoString(","), "Cold,Warm,warm");
}

TEST_F(PresetBarOnDesktop, SavingANewNameWithNothingShowingSelectsItWithoutALoad)
{
    writePreset(folder, "A", 0.1f);
    makeEditor();
    processor().valveDriveParam->setValue(0.6f);

    requestSave("Fresh");
    ASSERT_TRUE(guitest::runUntil([&] { return !editor().setPresetNameWindow.isVisible(); }));
    EXPECT_EQ(driveIn(folder.getChildFile("Fresh.atp")), 0.6f);
    EXPECT_EQ(processor().currentPresetName, "Fresh");
    EXPECT_EQ(editor().presetComboBox.getText(), "Fresh");
    EXPECT_EQ(editor().presetComboBox.getNumItems(), 2);

    // No load follows, and later refreshes keep the name.
    processor().valveDriveParam->setValue(0.7f);
    ASSERT_TRUE(guitest::settle());
    EXPECT_EQ(processor().valveDriveParam->getValue(), 0.7f);
    EXPECT_EQ(editor().presetComboBox.getText(), "Fresh");
}

TEST_F(PresetBarOnDesktop, SavingBWhileAShowsEndsWithBLoaded)
{
    writePreset(folder, "A", 0.1f);
    makeEditor();
    editor().presetComboBox.setText("A", juce::sendNotificationAsync);
    ASSERT_TRUE(guitest::runUntil([&] { return processor().currentPresetName == "A"; }));

    processor().valveDriveParam->setValue(0.35f);
    requestSave("B");
    ASSERT_TRUE(guitest::runUntil([&] { return !editor().setPresetNameWindow.isVisible(); }));
    ASSERT_TRUE(guitest::settle());
    EXPECT_EQ(editor().presetComboBox.getText(), "B");
    EXPECT_GE(editor().presetComboBox.getSelectedItemIndex(), 0);
    EXPECT_EQ(processor().currentPresetName, "B");
    EXPECT_EQ(processor().valveDriveParam->getValue(), 0.35f);
}

TEST_F(PresetBarOnDesktop, OverwritingAsksFirst)
{
    writePreset(folder, "Same", 0.1f);
    makeEditor();
    processor().valveDriveParam->setValue(0.9f);

    {
        AlertAnswer cancel("Cancel");
        requestSave("Same");
        ASSERT_TRUE(guitest::runUntil([&] { return cancel.shown(); }));
        ASSERT_TRUE(guitest::runUntil([] { return noModalComponent(); }));
        ASSERT_TRUE(guitest::deliverPosted());
        EXPECT_EQ(cancel.title, "Overwrite");
        EXPECT_EQ(cancel.message, "Are you sure you want to overwrite Same?");
    }
    EXPECT_EQ(driveIn(folder.getChildFile("Same.atp")), 0.1f);
    EXPECT_TRUE(editor().setPresetNameWindow.isVisible());
    EXPECT_EQ(editor().setPresetNameWindow.getPresetNameComponent()->nameEditor.getText(), "Same");

    {
        AlertAnswer ok("OK");
        auto* content = editor().setPresetNameWindow.getPresetNameComponent();
        content->textEditorReturnKeyPressed(content->nameEditor);
        ASSERT_TRUE(
            guitest::runUntil([&] { return ok.shown() && !editor().setPresetNameWindow.isVisible(); }));
    }
    EXPECT_EQ(driveIn(folder.getChildFile("Same.atp")), 0.9f);
    EXPECT_EQ(processor().currentPresetName, "Same");
}

TEST_F(PresetBarOnDesktop, NamesThatLeaveTheFolderAreRefused)
{
    makeEditor();
    const auto before =
        home.home()
            .findChildFiles(juce::File::findFilesAndDirectories, true, "*", juce::File::FollowSymlinks::no)
            .size();

    for (auto name : {"../x", "a/b", "a\\b", ".", "..", "two\nlines", "../../escape"})
    {
        SCOPED_TRACE(juce::String(name).toStdString());
        AlertAnswer ok("OK");
        requestSave(name);
        ASSERT_TRUE(guitest::runUntil([&] { return ok.shown(); }));
        ASSERT_TRUE(guitest::runUntil([] { return noModalComponent(); }));
        ASSERT_TRUE(guitest::deliverPosted());
        EXPECT_EQ(ok.title, "Problem saving preset");
        EXPECT_TRUE(ok.message.contains("/")) << ok.message;
        EXPECT_TRUE(editor().setPresetNameWindow.isVisible());
        EXPECT_EQ(editor().setPresetNameWindow.getPresetNameComponent()->nameEditor.getText(), name);
    }
    EXPECT_EQ(
        home.home()
            .findChildFiles(juce::File::findFilesAndDirectories, true, "*", juce::File::FollowSymlinks::no)
            .size(),
        before);
    EXPECT_FALSE(folder.getParentDirectory().getChildFile("x.atp").exists());
    EXPECT_FALSE(folder.getChildFile("a").exists());

    // Spaces, leading and trailing included, stay allowed.
    AlertAnswer none("OK");
    requestSave(" spaced name ");
    ASSERT_TRUE(guitest::runUntil([&] { return !editor().setPresetNameWindow.isVisible(); }));
    EXPECT_FALSE(none.shown());
    EXPECT_TRUE(folder.getChildFile(" spaced name .atp").existsAsFile());
}

TEST_F(PresetBarOnDesktop, AnUnmakeablePresetFolderShowsTheProblemAndWritesNothing)
{
    // A file where the folder belongs.
    const auto presets = folder.getParentDirectory();
    presets.getParentDirectory().createDirectory();
    presets.replaceWithText("not a folder");

    makeEditor();
    EXPECT_EQ(editor().presetComboBox.getNumItems(), 0);

    AlertAnswer ok("OK");
    requestSave("Anything");
    ASSERT_TRUE(guitest::runUntil([&] { return ok.shown(); }));
    ASSERT_TRUE(guitest::runUntil([] { return noModalComponent(); }));
    ASSERT_TRUE(guitest::deliverPosted());
    EXPECT_EQ(ok.title, "Problem saving preset");
    EXPECT_TRUE(ok.message.contains("Presets/VORN")) << ok.message;
    EXPECT_FALSE(juce::File("/Anything.atp").exists());
    EXPECT_TRUE(presets.existsAsFile());

    // Loading by a name does nothing either.
    processor().valveDriveParam->setValue(0.4f);
    ASSERT_TRUE(guitest::deliverPosted()); // the refresh, which would otherwise reset the box's text
    editor().presetComboBox.setText("Anything", juce::sendNotificationAsync);
    ASSERT_TRUE(guitest::runUntil([&] { return processor().currentPresetName == "Anything"; }));
    EXPECT_EQ(processor().valveDriveParam->getValue(), 0.4f);
}

TEST_F(PresetBarOnDesktop, ALoadByAnUnsafeRestoredNameReadsNothingOutsideTheFolder)
{
    writePreset(folder.getParentDirectory(), "Outside", 0.9f);
    makeEditor();
    processor().valveDriveParam->setValue(0.2f);
    ASSERT_TRUE(guitest::deliverPosted()); // the refresh, which would otherwise reset the box's text
    editor().presetComboBox.setText("../Outside", juce::sendNotificationAsync);
    ASSERT_TRUE(guitest::runUntil([&] { return processor().currentPresetName == "../Outside"; }));
    EXPECT_EQ(processor().valveDriveParam->getValue(), 0.2f);
}

namespace
{
// Every file under the folder with its contents.
std::map<juce::String, juce::String> filesUnder(const juce::File& folder)
{
    std::map<juce::String, juce::String> files;
    for (const auto& f : folder.findChildFiles(juce::File::findFilesAndDirectories, true, "*",
                                               juce::File::FollowSymlinks::no))
        files[f.getFullPathName()] = f.existsAsFile() ? f.loadFileAsString() : juce::String("(folder)");
    return files;
}

struct AlertCase
{
    const char* test;
    const char* saveAs;
    std::function<void(const juce::File& presetFolder)> prepare;
    const char* title;
};

void PrintTo(const AlertCase& c, std::ostream* out)
{
    *out << c.test;
}

const AlertCase alertCases[] = {
    {"Overwrite", "Same", [](const juce::File& folder) { writePreset(folder, "Same", 0.1f); }, "Overwrite"},
    {"SaveFailed", "InTheWay",
     [](const juce::File& folder) { folder.getChildFile("InTheWay.atp").createDirectory(); },
     "Problem saving preset"},
    {"RefusedName", "a/b", [](const juce::File& folder) { folder.createDirectory(); },
     "Problem saving preset"},
    {"NoFolder", "Anything",
     [](const juce::File& folder)
     {
         // A file where the preset folder belongs.
         folder.getParentDirectory().getParentDirectory().createDirectory();
         folder.getParentDirectory().replaceWithText("not a folder");
     },
     "Problem saving preset"},
};

struct PresetBarClosingOnDesktop : testing::TestWithParam<AlertCase>
{
};
} // namespace

// A host may delete the editor while an alert of the save flow waits for its answer: the answer
// then saves nothing, and the flow touches nothing of the editor that has gone.
TEST_P(PresetBarClosingOnDesktop, AnAlertAnsweredAfterTheEditorHasGoneSavesNothing)
{
    TemporaryHome home;
    GetParam().prepare(home.presetFolder());
    // Everything a save could write, under the preset folder's parents.
    const auto music = home.home().getChildFile("Music");
    const auto before = filesUnder(music);

    EditorUnderTest e;
    e.processor.valveDriveParam->setValue(0.9f);
    juce::String title;
    WhenModal closeThenAnswer(
        [&](juce::Component& modal)
        {
            if (auto* alert = dynamic_cast<juce::AlertWindow*>(&modal))
            {
                title = alert->getName();
                e.editor.reset();
                alert->triggerButtonClick("OK");
            }
        });

    e->savePresetButton.triggerClick();
    ASSERT_TRUE(guitest::runUntil([&] { return e->setPresetNameWindow.isVisible(); }));
    auto* content = e->setPresetNameWindow.getPresetNameComponent();
    content->nameEditor.setText(GetParam().saveAs, false);
    content->textEditorReturnKeyPressed(content->nameEditor);

    ASSERT_TRUE(guitest::runUntil(
        [&]
        {
            return closeThenAnswer.hasRun() && e.editor == nullptr &&
                   juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0;
        }));
    EXPECT_EQ(title, GetParam().title);
    EXPECT_EQ(filesUnder(music), before);
    EXPECT_EQ(e.processor.currentPresetName, "");
}

INSTANTIATE_TEST_SUITE_P(EachAlert, PresetBarClosingOnDesktop, testing::ValuesIn(alertCases),
                         [](const testing::TestParamInfo<AlertCase>& info) { return info.param.test; });

namespace
{
struct PresetBarRealInput : PresetBarOnDesktop
{
};

void clickOn(guitest::DesktopWindow& window, juce::Component& c)
{
    guitest::MouseRecorder recorder(c);
    ASSERT_TRUE(guitest::xdo::moveTo(window.screenCentre(c)));
    ASSERT_TRUE(guitest::pressAndWait(recorder, 1));
    ASSERT_TRUE(guitest::releaseAndWait(recorder, 1));
}
} // namespace

TEST_F(PresetBarRealInput, SavedPresetsAreSteppedThroughAndCarryTheirNames)
{
    makeEditor();
    guitest::DesktopWindow window(editor(), {40, 40});
    ASSERT_TRUE(window.show());

    const std::pair<const char*, float> presets[] = {{"One", 0.1f}, {"Two", 0.5f}, {"Three", 0.9f}};
    for (const auto& [name, drive] : presets)
    {
        processor().valveDriveParam->setValue(drive);
        clickOn(window, editor().savePresetButton);
        auto& saveWindow = editor().setPresetNameWindow;
        ASSERT_TRUE(guitest::runUntil([&] { return saveWindow.isVisible(); }));
        const auto id = (unsigned long)(juce::pointer_sized_uint)saveWindow.getWindowHandle();
        ASSERT_TRUE(guitest::activate(id));
        auto& field = saveWindow.getPresetNameComponent()->nameEditor;
        ASSERT_TRUE(guitest::runUntil([&] { return field.hasKeyboardFocus(true); }))
            << (juce::Component::getCurrentlyFocusedComponent() == nullptr
                    ? "nothing"
                    : typeid(*juce::Component::getCurrentlyFocusedComponent()).name());

        // Replace what the field holds from the last save.
        ASSERT_TRUE(guitest::xdo::key("ctrl+a"));
        ASSERT_TRUE(guitest::xdo::key("BackSpace"));
        ASSERT_TRUE(guitest::xdo::type(name));
        ASSERT_TRUE(guitest::runUntil([&] { return field.getText() == name; }));
        ASSERT_TRUE(guitest::xdo::key("Return"));
        ASSERT_TRUE(guitest::runUntil([&] { return !saveWindow.isVisible(); }));
        ASSERT_TRUE(folder.getChildFile(juce::String(name) + ".atp").existsAsFile());
        EXPECT_EQ(processor().currentPresetName, name);
        ASSERT_TRUE(guitest::activate(window.windowId()));
    }

    auto& box = editor().presetComboBox;
    ASSERT_EQ(box.getNumItems(), 3);
    for (int round = 0; round < 4; ++round)
    {
        auto& button = round % 2 == 0 ? editor().nextPresetButton : editor().prevPresetButton;
        const auto before = box.getSelectedItemIndex();
        clickOn(window, button);
        ASSERT_TRUE(guitest::runUntil([&] { return box.getSelectedItemIndex() != before; }));
        const auto name = box.getText();
        ASSERT_TRUE(guitest::runUntil([&] { return processor().currentPresetName == name; }));
        EXPECT_EQ(processor().valveDriveParam->getValue(), driveIn(folder.getChildFile(name + ".atp")));

        juce::MemoryBlock state;
        processor().getStateInformation(state);
        const auto xml = juce::AudioProcessor::getXmlFromBinary(state.getData(), (int)state.getSize());
        ASSERT_NE(xml, nullptr);
        EXPECT_EQ(xml->getStringAttribute("Preset"), name);
    }
}
