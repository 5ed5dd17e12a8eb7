#pragma once
// The process-wide table of localised interface texts. Messages that users
// see are written in code as tags beginning with '$' ("$vad_installed")
// and looked up here when they are reported; a tag that the table lacks
// reads as the tag itself.
//
// The table is a configuration soup read from the resource folder "data"
// (the installation's "Data" folder): "InterfaceText.chump" for English and
// one file per further language, each also read as ".txt" when the
// compiled form is missing. Loads are exclusive and lookups shared under
// the engine lock, so a load never runs while another thread reads.
#include <atomic>
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

class InterfaceTextDB {
public:
    // Misses logged before the log goes quiet.
    static constexpr int32_t kLoggedMisses = 10;

    // The singleton; loads the table first when it is not loaded (the
    // engine lock held exclusively, the flag tested again under it, so
    // concurrent first uses load once).
    static InterfaceTextDB& Instance();

    // Selects the table file by language code (letter case ignored): none,
    // "EN", "AU", "US" and "UK" select "InterfaceText.chump"; "DE", "FR",
    // "IT", "RU", "CZ", "PL", "ES", "CN", "NL", "KR" and "HU" their own file;
    // any other code keeps the current selection. Does not reload.
    static void SelectLanguage(const char* code);
    // Marks the table stale, so the next use loads it again.
    static void Invalidate();
    // The selected file name.
    static Vek::PString SelectedFileName();
    static bool IsLoaded();

    // Loads the selected file from "data", falling back to its ".txt" form,
    // and takes the sub-tables; holds the engine lock exclusively. The
    // caller sets the loaded flag.
    void Load();

    // The text stored under `tag`. An empty tag is returned as it is. With
    // `fallback`, a missing or empty text gives the tag itself and counts a
    // miss (the first ten are logged); without it, the empty text.
    Vek::PString GetString(const Vek::PString& tag, bool fallback);
    // The same lookup in the "scenario_text" table, without fallback.
    Vek::PString GetScenarioString(const Vek::PString& tag);

    virtual ~InterfaceTextDB();

private:
    InterfaceTextDB() = default;

    SoupHandle m_soup;
    SoupHandle m_mapText;
    SoupHandle m_specText;
    SoupHandle m_scenarioText;
};

// Loads the table when needed, then looks the tag up with fallback.
Vek::String GetLocalisedText(const char* tag);

// Renames `from` to `to` when `from` exists; true when it was renamed.
bool RenameIfExists(const char* from, const char* to);
