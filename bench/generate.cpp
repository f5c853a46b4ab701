#include "generate.h"

#include "model/datetime.h"

#include <random>
#include <sstream>

std::string generateDataFile(unsigned entries, uint32_t seed, unsigned extrasPercent) {
    std::mt19937 rng(seed);
    // The extras draw from a source of their own, so that the file is the
    // same without them.
    std::mt19937 extrasRng(seed + 1);
    auto extra = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(extrasRng);
    };
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto randomDay = [&]() {
        int y = pick(2008, 2014), m = pick(1, 12);
        return packDate(pick(1, MaxTag(m, y)), m, y);
    };

    std::ostringstream os;
    uint32_t id = 1;
    const unsigned fanout = 10, leaves = fanout * fanout * fanout;
    const unsigned perLeaf = entries / leaves;
    os << "<type=Velk>\n<version=0.54>\n<data>\n<idmax=" << (entries + leaves * 2) << ">\n"
       << "<idmaxaftersync=0>\n<curGroup=/0/>\n<viewtype=tree>\n<mainviewtype=0>\n"
       << "<sorttype=date>\n<cal.date=" << (packDate(1, 3, 2011) | DT_NOTIME) << ">\n"
       << "<cal.days=14>\n<GUIData.nLineNormal=0>\n<GUIData.nLineCal=0>\n"
       << "<Session.uWinHeight=320>\n<Session.uWinWidth=320>\ng\ns<unnamed>\nI" << id++ << "\n";
    unsigned written = 0;
    auto entry = [&](unsigned n) {
        int kind = pick(0, 99);
        int prio = kind < 60 ? pick(1, 6) : kind < 85 ? 100 : 200;
        packedDT day = randomDay();
        os << "t\nsEntry number " << n << " with a summary of ordinary length\nI" << id++ << "\n";
        if (prio != 3) os << "p" << prio << "\n";
        bool recurring = pick(0, 99) < 5;
        if (prio > 6) {
            int h = pick(7, 18);
            os << "m" << (day | packTime(h, 0)) << "\nn" << (day | packTime(h + 1, 30)) << "\n";
        } else {
            // A recurring todo needs a begin as well as its due date.
            if (recurring) os << "m" << (day | DT_NOTIME) << "\n";
            os << "n" << (day | DT_NOTIME) << "\n";
        }
        if (recurring) {
            // As the writer does: the interval 1 is the default and not written.
            const int interval = pick(1, 4);
            os << "1" << (prio > 6 ? 3 : 1) << "\n";
            if (interval != 1) os << "2" << interval << "\n";
            if (extra(0, 99) < int(extrasPercent)) {
                const int weekday = Wochentag(dtDay(day), dtMonth(day), dtYear(day));
                if (prio > 6)
                    os << "5" << ((1 << weekday) | (1 << extra(0, 6)) | (1 << extra(0, 6))) << "\n";
                // Occurrences of the plain rule: the step's multiples.
                const int step = interval * (prio > 6 ? 7 : 1);
                os << "x";
                for (int k = 1; k <= 4; ++k) {
                    packedDT skipped = day;
                    moveDate(skipped, step * extra(1, 400));
                    os << (skipped | DT_NOTIME) << ",";
                }
                packedDT march = packDate(1, 3, 2011) | DT_NOTIME;
                moveDate(march, extra(0, 13));
                os << march << "\n";
            }
        }
        if (prio <= 6 && pick(0, 99) < 30) os << "f" << (1200000000 + pick(0, 100000000)) << "\n";
        if (pick(0, 99) < 10) {
            std::string text = "A description that runs\nover several lines,\nwith notes " +
                               std::to_string(n) + ".";
            os << "d" << text.size() << "\n" << text << "\n";
        }
        os << ">\n";
    };
    for (unsigned a = 0; a < fanout; ++a) {
        os << "g\nsArea " << a << "\nI" << id++ << "\n";
        for (unsigned b = 0; b < fanout; ++b) {
            os << "g\nsProject " << a << "." << b << "\nI" << id++ << "\n";
            for (unsigned c = 0; c < fanout; ++c) {
                os << "g\nsTopic " << a << "." << b << "." << c << "\nI" << id++ << "\n";
                for (unsigned k = 0; k < perLeaf; ++k)
                    entry(written++);
                os << ">\n";
            }
            os << ">\n";
        }
        os << ">\n";
    }
    while (written < entries)
        entry(written++);
    os << ">\n</data>\n";
    return os.str();
}
