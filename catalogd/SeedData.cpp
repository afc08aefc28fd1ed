// The sample catalog's fixed data: categories, applications, reviewers and
// review texts. Everything else the seed derives from these deterministically.
#include "SeedData.h"

namespace catalogd::seed {

const std::vector<CategoryDef>& Categories() {
    static const std::vector<CategoryDef> kCategories = {
        {1, 0, "Games"},          {2, 1, "Puzzles"},         {3, 1, "Arcade"},
        {4, 1, "Cards & Board"},  {5, 0, "Office"},          {6, 5, "Documents"},
        {7, 5, "Notes & Lists"},  {8, 0, "Multimedia"},      {9, 8, "Music & Audio"},
        {10, 8, "Photo & Video"}, {11, 0, "Travel & Maps"},  {12, 0, "Internet"},
        {13, 12, "Messaging"},    {14, 0, "Utilities"},      {15, 14, "System"},
    };
    return kCategories;
}

const std::vector<AppDef>& Apps() {
    static const std::vector<AppDef> kApps = {
        {2, "Block Drop", "Pebble", "puzzle,classic", "", "", 0, 0},
        {2, "Логика", "Мостик", "puzzle,logic", "", "", 0, 0},
        {2, "Sudoku Master", "Arbor", "puzzle,logic,numbers", "", "", 0, 0},
        {2, "Word Grid", "Lumina", "puzzle,words", "", "ppc", 240, 320},
        {2, "Tile Twist", "Vexa", "puzzle", "", "", 0, 0},
        {2, "Kakuro Nights", "Arbor", "puzzle,numbers", "", "ppc", 0, 0},
        {2, "Lumen Puzzle", "Lumina", "puzzle,3d", "gl", "", 240, 320},
        {3, "Star Runner", "Orbit", "arcade,space", "", "", 0, 0},
        {3, "Brick Breaker", "Pebble", "arcade,classic", "", "", 0, 0},
        {3, "Tunnel Racer", "Zephyr", "arcade,racing,3d", "gl,accel", "ppc", 480, 640},
        {3, "Ракета", "Мостик", "arcade,space", "", "", 0, 0},
        {3, "Snake Classic", "Brio", "arcade,classic", "", "sp", 0, 0},
        {3, "Pinball Pocket", "Kestrel", "arcade", "accel", "ppc", 240, 320},
        {3, "Cosmic Drift", "Orbit", "arcade,space,3d", "gl", "", 240, 400},
        {4, "Cards & Dice \"Deluxe\"", "Pebble", "cards,dice,classic", "", "", 0, 0},
        {4, "Chess Pocket", "Fjord", "board,classic", "", "", 0, 0},
        {4, "Backgammon Pro", "Fjord", "board,dice", "", "ppc", 0, 0},
        {4, "Solitaire Suite", "Brio", "cards,classic", "", "", 0, 0},
        {4, "Mahjong Tiles", "Vexa", "board,tiles", "", "ppc", 240, 320},
        {4, "Go Board", "Kestrel", "board,logic", "", "", 0, 0},
        {4, "Poker Night", "Zephyr", "cards", "wifi", "", 0, 0},
        {6, "Pocket Reader", "Northwind", "documents,reading", "", "", 0, 0},
        {6, "Čtečka knih", "Élan", "documents,reading", "", "", 0, 0},
        {6, "Sheet Calc", "Northwind", "documents,office,numbers", "", "ppc", 240, 320},
        {6, "PDF Glance", "Arbor", "documents,reading", "", "", 0, 0},
        {6, "Doc Writer", "Northwind", "documents,office", "", "ppc", 0, 0},
        {6, "Slide Deck", "Lumina", "documents,office", "", "ppc", 480, 640},
        {6, "Zip Box", "Brio", "documents,files", "", "", 0, 0},
        {7, "Memo <Pro>", "Kestrel", "notes,office", "", "", 0, 0},
        {7, "Quick Notes", "Pebble", "notes", "", "", 0, 0},
        {7, "Заметки", "Мостик", "notes,lists", "", "", 0, 0},
        {7, "Shopping List", "Brio", "lists", "", "", 0, 0},
        {7, "Task Tracker", "Northwind", "lists,office", "", "", 0, 0},
        {7, "Daily Journal", "Élan", "notes", "", "ppc", 0, 0},
        {7, "Outline Pad", "Arbor", "notes,office", "", "", 0, 0},
        {9, "Tune Player", "Zephyr", "music,player", "", "", 0, 0},
        {9, "Radio Wave", "Orbit", "music,radio,online", "wifi", "", 0, 0},
        {9, "Voice Recorder", "Pebble", "audio,recording", "", "", 0, 0},
        {9, "Metronome", "Fjord", "music,tools", "", "", 0, 0},
        {9, "Ringtone Maker", "Brio", "audio,ringtones", "phone", "", 0, 0},
        {9, "Stimmgerät Ü", "Élan", "music,tools", "", "", 0, 0},
        {9, "Equalizer Plus", "Zephyr", "audio,player", "", "ppc", 240, 320},
        {10, "Photo Album", "Lumina", "photo,gallery", "", "", 0, 0},
        {10, "Camera Plus", "Kestrel", "photo,camera", "cam", "", 0, 0},
        {10, "Video Clip", "Zephyr", "video,player", "", "ppc", 240, 320},
        {10, "Panorama Maker", "Lumina", "photo,camera", "cam", "ppc", 480, 640},
        {10, "Фото Редактор", "Мостик", "photo,editing", "", "", 240, 320},
        {10, "Slide Frame", "Vexa", "photo,gallery", "", "", 0, 0},
        {10, "Video Call Lite", "Orbit", "video,camera,online", "cam3g,phone", "", 0, 0},
        {11, "City Maps", "Northwind", "maps,navigation", "gps", "", 240, 320},
        {11, "GPS Tracker", "Fjord", "navigation,sport", "gps", "", 0, 0},
        {11, "Compass", "Kestrel", "navigation,tools", "", "", 0, 0},
        {11, "Trip Planner", "Arbor", "travel", "", "", 0, 0},
        {11, "Currency Converter", "Brio", "travel,numbers", "", "", 0, 0},
        {11, "Metro Guide", "Vexa", "travel,maps", "", "", 0, 0},
        {11, "Météo Locale", "Élan", "travel,weather,online", "wifi", "", 0, 0},
        {12, "Web Reader", "Orbit", "online,reading", "", "", 0, 0},
        {12, "Feed Reader", "Northwind", "online,news,reading", "", "", 0, 0},
        {12, "Mail Check", "Pebble", "online,mail", "", "", 0, 0},
        {12, "Download Helper", "Brio", "online,files", "", "", 0, 0},
        {12, "FTP Pocket", "Fjord", "online,files", "wifi", "ppc", 0, 0},
        {12, "Weather Now", "Zephyr", "online,weather", "", "", 0, 0},
        {13, "Chat Link", "Orbit", "chat,online", "", "", 0, 0},
        {13, "SMS Backup", "Kestrel", "sms,backup", "phone", "", 0, 0},
        {13, "Contacts Sync", "Northwind", "contacts,backup,online", "", "", 0, 0},
        {13, "Messenger Lite", "Vexa", "chat,online", "", "sp", 0, 0},
        {13, "Группа Чат", "Мостик", "chat,online", "", "", 0, 0},
        {13, "Beam Card", "Pebble", "contacts", "irda", "", 0, 0},
        {14, "Calculator Sci", "Arbor", "numbers,tools", "", "", 0, 0},
        {14, "Unit Converter", "Brio", "numbers,tools", "", "", 0, 0},
        {14, "Flashlight", "Pebble", "tools", "cam", "", 0, 0},
        {14, "Alarm Clock", "Fjord", "tools,time", "", "", 0, 0},
        {14, "World Clock", "Élan", "tools,time,travel", "", "", 0, 0},
        {14, "Keypad Lock", "Kestrel", "tools,security", "keypad", "sp", 0, 0},
        {15, "Task Manager", "Northwind", "system,tools", "", "", 0, 0},
        {15, "Battery Meter", "Zephyr", "system", "", "", 0, 0},
        {15, "File Explorer", "Arbor", "system,files", "", "", 0, 0},
        {15, "Registry Tool", "Kestrel", "system", "", "ppc", 0, 0},
        {15, "Memory Cleaner", "Vexa", "system,tools", "", "", 0, 0},
        {15, "Backup Wizard", "Northwind", "system,backup", "", "", 0, 0},
        {15, "Bluetooth Manager", "Orbit", "system,wireless", "bt", "", 0, 0},
        {15, "WiFi Scanner", "Fjord", "system,wireless", "wifi", "", 0, 0},
        {15, "Sensor Test", "Lumina", "system,tools", "accel", "ppc", 480, 800},
    };
    return kApps;
}

const std::vector<std::string_view>& ReviewerLogins() {
    static const std::vector<std::string_view> kLogins = {
        "anna", "boris", "chen", "dora", "emil", "fatima", "gregor", "hana", "Юлия", "Zoë", "kai", "lars",
    };
    return kLogins;
}

const std::vector<std::string_view>& ReviewTexts() {
    static const std::vector<std::string_view> kTexts = {
        "Does exactly what it says.",
        "Great on my device, fast and small.",
        "Nice, but the buttons are tiny on a small screen.--br--Please make them bigger.",
        "Crashed once after the update, otherwise fine.",
        "Best one I have tried so far!",
        "Works, though the first start is slow.",
        "Очень удобно, пользуюсь каждый день.",
        "Sehr gut & schnell. Danke!",
        "Too many ads in the free version.",
        "I'd pay for this <3 -- \"five stars\" from me.",
        "Battery drain is noticeable when it runs in the background.",
        "Simple and clean.--br----br--Would like a landscape mode.",
    };
    return kTexts;
}

std::string_view CategoryBlurb(int category) {
    switch (category) {
        case 2: return "Train your brain with hundreds of levels.";
        case 3: return "Quick action for the bus ride home.";
        case 4: return "The classic game, made for the stylus.";
        case 6: return "Open and edit your documents anywhere.";
        case 7: return "Keep your thoughts and lists in one place.";
        case 9: return "Sound and music for your pocket.";
        case 10: return "Pictures and video, right on the handheld.";
        case 11: return "Find your way, at home and abroad.";
        case 12: return "The web in your pocket, with little traffic.";
        case 13: return "Stay in touch with friends and family.";
        case 15: return "Keep the device fast and tidy.";
        default: return "A handy helper for every day.";
    }
}

}  // namespace catalogd::seed
