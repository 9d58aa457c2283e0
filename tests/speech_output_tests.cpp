#include "fakes/fake_platform.h"
#include "fakes/fake_speech.h"
#include "fakes/shipped_sound.h"
#include "platform/cp1250.h"
#include "platform/error.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "settings/shared_settings.h"
#include "speech/speech_output.h"
#include "speech/voice_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace velira
{
namespace
{

class SpeechTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		InitSpeech();
		voiceAllowed = true;
		speechObjects().notifySink = std::make_shared<TTTSNotifySink>();
		services().echoNameLookup = [this](uint8_t code) -> std::optional<std::string> {
			auto found = names.find(code);
			if (found == names.end())
				return std::nullopt;
			return found->second;
		};
	}

	// What selecting the first voice leaves behind: a central with the sink.
	void SelectFirstVoice()
	{
		SpeechObjectSlots &objects = speechObjects();
		std::unique_ptr<TtsCentral> central;
		TtsModeInfo mode;
		uint32_t fetched = 0;
		objects.engineEnum->Reset();
		objects.engineEnum->Next(mode, fetched);
		ASSERT_EQ(objects.engineEnum->Select(mode.mode_id, objects.audioDestination.get(), central),
		          kSpeechOk);
		objects.central = std::move(central);
		uint32_t key = 0;
		objects.central->Register(objects.notifySink, key);
		objects.registrationKey = key;
		voiceReady = true;
		speech.engines.log.clear();
	}

	void UseNewerInterface()
	{
		useSapi5 = true;
		voiceReady = true;
	}

	std::vector<std::string> NewerTexts() const
	{
		std::vector<std::string> texts;
		for (const auto &call : speech.voice.calls)
			texts.push_back(call.text + "|" + std::to_string(call.flags));
		return texts;
	}

	testing::FakePlatform platform;
	testing::ShippedSound sound{platform};
	testing::FakeSpeech speech{platform};
	std::map<uint8_t, std::string> names{{'A', "velké a"}, {'a', "a"}, {'B', ""}, {'x', "iks"}};
};

TEST_F(SpeechTest, SpeakAndWaitWithTheOlderInterfaceWaitsForTheAudioToStop)
{
	SelectFirstVoice();
	SpeakAndWait("hello");
	EXPECT_EQ(speech.engines.spoken, std::vector<std::string>{"hello"});
	EXPECT_FALSE(sapi4Speaking);
	EXPECT_GE(platform.clock.now_ms, 50) << "five characters at 10 ms each were waited for";

	// A text whose AudioStart comes late is not waited for: the wait only
	// sees the flag after its first pass.
	speech.engines.start_delay_ms = 100;
	const int64_t before = platform.clock.now_ms;
	SpeakAndWait("late");
	EXPECT_LT(platform.clock.now_ms - before, 100);
}

TEST_F(SpeechTest, TheOlderInterfaceSpeaksNothingWithoutCentralVoiceOrText)
{
	SpeakAndWait("no central yet");
	SpeakAsync("no central yet");
	EXPECT_TRUE(speech.engines.spoken.empty());

	SelectFirstVoice();
	const int passes = platform.pump.process_calls;
	SpeakAndWait("");
	SpeakAsync("");
	EXPECT_EQ(platform.pump.process_calls, passes) << "an empty text returns at once";
	voiceAllowed = false;
	SpeakAndWait("not allowed");
	SpeakAsync("not allowed");
	EXPECT_TRUE(speech.engines.spoken.empty());

	voiceAllowed = true;
	SpeakAsync("async");
	EXPECT_EQ(speech.engines.spoken, std::vector<std::string>{"async"});
	EXPECT_EQ(platform.pump.process_calls, passes) << "SpeakAsync does not wait";
}

TEST_F(SpeechTest, TheNewerInterfaceGetsUnicodeAndWaitsForTheEndOfItsStream)
{
	UseNewerInterface();
	speech.voice.start_delay_ms = 30;
	SpeakAndWait(Cp1250FromUtf8("loď"));
	EXPECT_EQ(NewerTexts(), std::vector<std::string>{"loď|1"});
	EXPECT_FALSE(sapi5Speaking);
	EXPECT_GE(platform.clock.now_ms, 30) << "waited although StartStream came late";

	speech.voice.calls.clear();
	SpeakAndWait("");
	EXPECT_TRUE(speech.voice.calls.empty()) << "an empty text is not handed over";
	SpeakAsync("");
	EXPECT_EQ(NewerTexts(), std::vector<std::string>{"|1"}) << "SpeakAsync hands over an empty text";
	EXPECT_FALSE(sapi5Speaking) << "SpeakAsync sets no flag";
	EXPECT_EQ(speech.voice.event_interests, kAllVoiceEvents);
}

TEST_F(SpeechTest, AFailingSpeakOfTheNewerInterfaceRaisesItsText)
{
	UseNewerInterface();
	speech.voice.speak_result = kSpeechFailed;
	try {
		SpeakAndWait("x");
		FAIL() << "no error raised";
	} catch (const ShellError &error) {
		EXPECT_STREQ(error.what(), "Unspecified error");
	}
}

TEST_F(SpeechTest, SpeakCharacterSpeaksTheEchoNameWithTheCapitalTone)
{
	SelectFirstVoice();
	SpeakCharacter("A");
	EXPECT_EQ(lastInstrument, 1);
	EXPECT_EQ(lastDuration, 20);
	EXPECT_EQ(platform.timer.interval_ms(), 20);
	ASSERT_EQ(speech.engines.spoken, std::vector<std::string>{"velké a"});
	EXPECT_EQ(speech.engines.spoken_at_ms.front(), 20) << "the tone sounded before the name";

	lastInstrument = 7;
	speech.engines.spoken.clear();
	SpeakCharacter("a");
	SpeakCharacter("Ax"); // several characters: only the first, no tone
	EXPECT_EQ(speech.engines.spoken, (std::vector<std::string>{"a", "velké a"}));
	EXPECT_EQ(lastInstrument, 7) << "no tone for a small letter or a longer text";

	speech.engines.spoken.clear();
	SpeakCharacter("B"); // capital with an empty name: tone only
	EXPECT_EQ(lastInstrument, 1);
	EXPECT_TRUE(speech.engines.spoken.empty());

	lastInstrument = 7;
	SpeakCharacter(std::string(1, '\0'));
	SpeakCharacter("");
	EXPECT_TRUE(speech.engines.spoken.empty());
	EXPECT_EQ(lastInstrument, 7) << "character 0 does nothing at all";

	SpeakCharacter("?");
	EXPECT_EQ(speech.engines.spoken, std::vector<std::string>{"?"})
	    << "a character the keyboard file does not list is spoken as itself";
}

TEST_F(SpeechTest, SpeakCharacterNeedsVoiceReadyButNotVoiceAllowed)
{
	SelectFirstVoice();
	voiceAllowed = false;
	SpeakCharacter("x");
	EXPECT_EQ(speech.engines.spoken, std::vector<std::string>{"iks"});

	voiceReady = false;
	voiceAllowed = true;
	lastInstrument = 7;
	SpeakCharacter("A");
	SpeakCharacter("x");
	EXPECT_EQ(speech.engines.spoken.size(), 1u);
	EXPECT_EQ(lastInstrument, 7);
	SpeakAndWait("still spoken");
	EXPECT_EQ(speech.engines.spoken.back(), "still spoken");
}

TEST_F(SpeechTest, SpeakCharacterWithoutACentralDoesNotCrash)
{
	// voiceReady came from the settings, but no engine was ever selected.
	voiceReady = true;
	SpeakCharacter("x");
	StopSpeech();
	EXPECT_TRUE(speech.engines.spoken.empty());
}

TEST_F(SpeechTest, SpeakCharacterWithTheNewerInterfaceSpeaksMarkupWithoutWaiting)
{
	UseNewerInterface();
	SpeakCharacter("x");
	EXPECT_EQ(NewerTexts(), std::vector<std::string>{"iks|9"});
	EXPECT_EQ(platform.clock.now_ms, 0) << "no wait";
}

TEST_F(SpeechTest, StopSpeechPurgesTheNewerInterfaceEveryTime)
{
	UseNewerInterface();
	StopSpeech();
	voiceReady = false;
	StopSpeech();
	EXPECT_EQ(NewerTexts(), (std::vector<std::string>{"|2", "|2"}));
}

TEST_F(SpeechTest, StopSpeechResetsTheOlderEngineOnlyWhileItIsHeard)
{
	SelectFirstVoice();
	StopSpeech();
	EXPECT_EQ(speech.engines.resets, 0) << "nothing is reset while the engine reports no audio";

	SpeakAsync("long text");
	platform.pump.ProcessPendingMessages();
	ASSERT_TRUE(sapi4Speaking);
	voiceReady = false;
	StopSpeech();
	EXPECT_EQ(speech.engines.resets, 0) << "voiceReady false";
	voiceReady = true;
	StopSpeech();
	EXPECT_EQ(speech.engines.resets, 1);
	platform.pump.ProcessPendingMessages();
	EXPECT_FALSE(sapi4Speaking);
}

// A key handler inside the wait stops the voice and speaks again: the end
// of the nested text ends the outer wait too.
TEST_F(SpeechTest, ANestedSpeakAndWaitEndsTheOuterWait)
{
	for (const bool newer : {false, true}) {
		SCOPED_TRACE(newer ? "newer interface" : "older interface");
		platform.clock.now_ms = 0;
		if (newer)
			UseNewerInterface();
		else
			SelectFirstVoice();
		bool nested_done = false;
		int64_t nested_end_ms = -1;
		platform.pump.PostAt(20, [&] {
			StopSpeech();
			SpeakAndWait("ok");
			nested_done = true;
			nested_end_ms = platform.clock.now_ms;
		});
		SpeakAndWait(std::string(100, 'x')); // 1000 ms unless stopped
		EXPECT_TRUE(nested_done);
		EXPECT_EQ(platform.clock.now_ms, nested_end_ms)
		    << "the outer wait ended with the nested text";
		EXPECT_LT(platform.clock.now_ms, 100);
		useSapi5 = false;
	}
}

TEST_F(SpeechTest, WithTheNewerInterfaceAnEarlierTextEndsTheWait)
{
	UseNewerInterface();
	SpeakAsync("first text");       // ends at 100 ms
	SpeakAndWait("second text..."); // would end at 240 ms
	EXPECT_EQ(platform.clock.now_ms, 100)
	    << "the shared flag: EndStream of the earlier text ends the wait";
}

TEST_F(SpeechTest, InitSpeechWithoutAudioDestinationForbidsTheVoiceSilently)
{
	speech.engines.destination_fails = true;
	voiceAllowed = true;
	InitSpeech();
	EXPECT_FALSE(voiceAllowed);
	EXPECT_TRUE(SpeechEnginesAvailable()) << "the enumerator exists all the same";
	EXPECT_TRUE(platform.desktop.messages.empty());

	speech.engines.enum_fails = true;
	speech.engines.destination_fails = false;
	voiceAllowed = true;
	InitSpeech();
	EXPECT_FALSE(SpeechEnginesAvailable());
	EXPECT_TRUE(voiceAllowed);
}

TEST_F(SpeechTest, ReleasingTheCentralWhileItSpeaksDoesNotLeaveAWaitHanging)
{
	SelectFirstVoice();
	SpeakAsync("long text");
	platform.pump.ProcessPendingMessages();
	ASSERT_TRUE(sapi4Speaking);
	speechObjects().central->UnRegister(speechObjects().registrationKey);
	ReleaseCentral();
	EXPECT_FALSE(sapi4Speaking);
}

TEST_F(SpeechTest, TheSoundsDialogReachesTheVoiceDialogsSelection)
{
	int runs = 0;
	services().allowVoice = [&] { ++runs; };
	AllowVoiceFromSoundsDialog();
	EXPECT_EQ(runs, 1);
}

// What nobody connected is an error that names it: the operation ends there
// and the error reaches the error report. Nothing waits for an answer that
// cannot come.
TEST_F(SpeechTest, AMissingVoiceVoiceSelectionOrToneIsAnErrorNotAHang)
{
	UseNewerInterface();
	services().voice5 = nullptr;
	for (const auto &speak :
	     std::vector<std::function<void()>>{[] { SpeakAndWait("hello"); }, [] { SpeakAsync("hello"); },
	                                        [] { SpeakCharacter("a"); }, [] { StopSpeech(); }}) {
		try {
			speak();
			ADD_FAILURE() << "spoke without a voice";
		} catch (const ShellError &error) {
			EXPECT_EQ(std::string(error.what()), "The shell has no desktop voice connected");
		}
		EXPECT_FALSE(sapi5Speaking) << "no text was handed over: nothing is being spoken";
	}
	SpeakAndWait(""); // nothing to say needs no voice

	services().allowVoice = nullptr;
	EXPECT_THROW(AllowVoiceFromSoundsDialog(), ShellError)
	    << "allowing the voice without selecting one would leave it silent";

	services().toneStatement = nullptr;
	try {
		SpeakCharacter("A");
		ADD_FAILURE() << "a capital without its tone";
	} catch (const ShellError &error) {
		EXPECT_EQ(std::string(error.what()), "The shell has no tone statement connected");
	}
}

} // namespace
} // namespace velira
