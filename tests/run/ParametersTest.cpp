#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "io/RunError.h"
#include "io/TextReader.h"
#include "run/ParameterFile.h"
#include "tests/run/TempDir.h"

namespace vk {
namespace {

const char* const kCommentedPara =
    "0.00435 delta\n20 ndiv\n0.01088 t1\n0.02176 t2\n0.01538 t3\n100 popsize\n53 minyear\n"
    "261 maxyear\n156 teachyear\n0.60000 pc1\n0.00500 pm1\n0.20000 g1\n0.30000 pc2\n"
    "0.00200 pm2\n0.10000 g2\n10 simtimes\n5 nsample\nall\n";

TEST(Parameters, CommentsAfterNumbersReadTheSameAsWithout) {
  TextReader commented("para.txt", kCommentedPara);
  TextReader bare("para.txt",
                  "0.00435\n20\n0.01088\n0.02176\n0.01538\n100\n53\n261\n156\n0.6\n0.005\n0.2\n0.3\n0.002\n"
                  "0.1\n10\n5\nall\n");
  const Parameters a = readParameters(commented);
  const Parameters b = readParameters(bare);
  EXPECT_EQ(formatParameters(a), formatParameters(b));
  EXPECT_EQ(a.popsize, 100);
  EXPECT_EQ(a.teachyear, 156);
  EXPECT_EQ(a.runMode, "all");
}

TEST(Parameters, WritesRealsAsTenFiveAndKeepsTheModeWord) {
  TextReader in("para.txt", kCommentedPara);
  Parameters p = readParameters(in);
  p.delta = 0.000004;
  p.runMode = "write ";
  const std::string text = formatParameters(p);
  EXPECT_EQ(text.substr(0, 14), "   0.00000\n20\n");
  EXPECT_NE(text.find("\n   0.60000\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 8), "\nwrite \n");
}

TEST(Parameters, RewritingKeepsTheTextAfterEachValue) {
  TextReader in("para.txt", kCommentedPara);
  Parameters p = readParameters(in);
  p.popsize = 150;
  p.delta = 0.5;
  const std::string kept = keepTextAfterValues(formatParameters(p), kCommentedPara);
  const auto startsWith = [](const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; };
  const auto endsWith = [](const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
  };
  EXPECT_TRUE(startsWith(kept, "   0.50000 delta\n20 ndiv\n   0.01088 t1\n")) << kept;
  EXPECT_NE(kept.find("\n150 popsize\n53 minyear\n"), std::string::npos);
  EXPECT_TRUE(endsWith(kept, "\n10 simtimes\n5 nsample\nall\n")) << kept;
  // Read back, the values are those written.
  TextReader again("para.txt", kept);
  EXPECT_EQ(formatParameters(readParameters(again)), formatParameters(p));

  // Windows line ends, several blanks, notes below the mode word, and a
  // file without comments or shorter than the set.
  std::string crlf = kCommentedPara;
  for (std::size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2)) crlf.insert(at, "\r");
  crlf.replace(0, 13, "0.00435  \tdelta");
  crlf += "notes: tried 2024\r\n";
  const std::string keptCrlf = keepTextAfterValues(formatParameters(p), crlf);
  EXPECT_TRUE(startsWith(keptCrlf, "   0.50000  \tdelta\n20 ndiv\n")) << keptCrlf;
  EXPECT_TRUE(endsWith(keptCrlf, "\n5 nsample\nall\nnotes: tried 2024\r\n")) << keptCrlf;
  EXPECT_EQ(keepTextAfterValues(formatParameters(p), ""), formatParameters(p));
  EXPECT_EQ(keepTextAfterValues(formatParameters(p), "0.1 delta\n2\n"),
            "   0.50000 delta\n" + formatParameters(p).substr(11));
}

TEST(Parameters, WritingReplacesTheFileWholeAndKeepsALinkALink) {
  testing::TempDir dir;
  dir.write("kept.txt", kCommentedPara);
  std::filesystem::create_symlink("kept.txt", dir.file("para.txt"));
  // A run that opened para.txt before the dialog wrote it reads the old file
  // to its end, never a mix or a cut one.
  std::ifstream reader(dir.file("para.txt"), std::ios::binary);
  TextReader in("para.txt", kCommentedPara);
  Parameters p = readParameters(in);
  p.popsize = 150;
  writeParameterFile(dir.file("para.txt"), p);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), std::istreambuf_iterator<char>()), kCommentedPara);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("para.txt")));
  EXPECT_NE(dir.read("kept.txt").find("\n150 popsize\n"), std::string::npos);
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 2);
}

TEST(Parameters, MissingModeLineGivesAnEmptyWord) {
  TextReader in("para.txt", "0.1\n2\n");
  const Parameters p = readParameters(in);
  EXPECT_EQ(p.ndiv, 2);
  EXPECT_EQ(p.nsample, 0);
  EXPECT_EQ(p.runMode, "");
}

std::string refusal(const Parameters& p) {
  try {
    checkParameterFile(p, "para.txt");
  } catch (const RunError& e) {
    return e.what();
  }
  return "";
}

Parameters demoParameters() {
  TextReader in("para.txt", kCommentedPara);
  return readParameters(in);
}

TEST(Parameters, TheTableNamesEveryLineOnceInOrder) {
  const std::vector<ParameterField>& fields = parameterFields();
  ASSERT_EQ(fields.size(), 18u);
  std::set<std::string> names;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    EXPECT_EQ(fields[i].line, static_cast<int>(i) + 1);
    EXPECT_TRUE(names.insert(fields[i].name).second) << fields[i].name;
    EXPECT_EQ(findParameter(fields[i].name), &fields[i]);
  }
  EXPECT_EQ(findParameter("Popsize"), nullptr);
}

TEST(Parameters, ReportLineNamesEachPrintedValueInItsFormat) {
  Parameters p = demoParameters();
  p.teachyear = 208;  // the run reports the last training week
  EXPECT_EQ(reportParameterLine(p),
            "delta =0.00435ndiv =20trend1 = 1.08800000000000E-0002trend2 = 2.17600000000000E-0002"
            "trend3 = 1.53800000000000E-0002popsize =100minyear =53maxyear =261teachyear =208"
            "pcross1 = 0.6000pmutation1 = 0.0050gap1 =  0.20pcross2 = 0.3000pmutation2 = 0.0020"
            "gap2 =  0.10\nnsample =5\n");
}

TEST(Parameters, ValuesBeyondALimitAreRefusedNamingLineValueAndLimit) {
  EXPECT_EQ(refusal(demoParameters()), "");
  Parameters p = demoParameters();
  p.ndiv = 41;
  EXPECT_EQ(refusal(p).substr(0, 72), "para.txt, line 2: ndiv = 41 is outside what a run supports (0..40; the r");
  p = demoParameters();
  p.maxyear = 52;
  EXPECT_NE(refusal(p).find("line 8: maxyear = 52 is outside what a run supports (minyear = 53..800"),
            std::string::npos);
  p.maxyear = 801;
  EXPECT_NE(refusal(p).find("maxyear = 801"), std::string::npos);
  p = demoParameters();
  p.delta = 0;
  EXPECT_NE(refusal(p).find("line 1: delta = 0.00000 is outside what a run supports (any value but 0"),
            std::string::npos);
  p = demoParameters();
  p.trend3 = 0;
  EXPECT_NE(refusal(p).find("line 5: trend3 = 0.00000"), std::string::npos);
  p = demoParameters();
  p.nsample = -1;
  EXPECT_NE(refusal(p).find("nsample = -1 is outside what a run supports (at least 0"), std::string::npos);
  p = demoParameters();
  p.teachyear = 801;
  EXPECT_NE(refusal(p).find("teachyear = 801 is outside what a run supports (0..800"), std::string::npos);
  // A negative count of paths would run none and report an empty eval.txt as done.
  p = demoParameters();
  p.simtimes = -3;
  EXPECT_NE(refusal(p).find("line 16: simtimes = -3 is outside what a run supports (at least 0"), std::string::npos);
}

TEST(Parameters, ValuesAtALimitAreAccepted) {
  Parameters p = demoParameters();
  p.ndiv = 40;
  p.popsize = 200;
  p.maxyear = 800;
  EXPECT_EQ(refusal(p), "");
  p.popsize = 2;
  p.ndiv = 0;
  EXPECT_EQ(refusal(p), "");
}

TEST(Parameters, GapsAndPopulationsThePairLoopCannotServeAreRefused) {
  Parameters p = demoParameters();
  p.popsize = 7;
  p.gap1 = 1;  // 7 made even is 8
  const std::string message = refusal(p);
  EXPECT_NE(message.find("line 12: gap1 = 1.00000 is outside"), std::string::npos) << message;
  EXPECT_NE(message.find("popsize = 7"), std::string::npos) << message;
  p.gap1 = 0.857;  // 5.999 truncated is 5, made even 6
  EXPECT_EQ(refusal(p), "");
  p.gap2 = -0.5;
  EXPECT_NE(refusal(p).find("gap2 = -0.50000"), std::string::npos);
  p.gap2 = NAN;
  EXPECT_NE(refusal(p).find("gap2 ="), std::string::npos);
  p.gap2 = 1e300;  // far beyond any count an int holds
  EXPECT_NE(refusal(p).find("gap2 ="), std::string::npos);
  p = demoParameters();
  p.gap1 = 0;
  p.popsize = 1;
  EXPECT_NE(refusal(p).find("popsize = 1 is outside what a run supports (2..200"), std::string::npos);
  EXPECT_EQ(gapCountOf(20, 0.25), 6);
  EXPECT_EQ(gapCountOf(20, 0.5), 10);
}

TEST(Parameters, ReadingStopsAtABadLineKeepingTheValuesBeforeIt) {
  std::string text = kCommentedPara;
  text.replace(text.find("53 minyear"), 2, "5.3");
  TextReader in("para.txt", text);
  Parameters p;
  p.minyear = -7;
  std::vector<std::string> seen;
  EXPECT_THROW(readParameters(in, p, [&](const ParameterField& f) { seen.push_back(f.name); }), RunError);
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen.back(), "popsize");
  EXPECT_EQ(p.popsize, 100);
  EXPECT_EQ(p.minyear, -7);
}

TEST(Parameters, SetByNameReadsTheTextAndChecksTheFieldsOwnLimits) {
  Parameters p = demoParameters();
  setParameter(p, "popsize", "150", "sweep");
  setParameter(p, "gap2", "0.25", "sweep");
  setParameter(p, "runMode", "write", "sweep");
  EXPECT_EQ(p.popsize, 150);
  EXPECT_EQ(p.gap2, 0.25);
  EXPECT_EQ(p.runMode, "write");
  const auto refusedBy = [&p](const std::string& name, const std::string& text) {
    const Parameters before = p;
    try {
      setParameter(p, name, text, "sweep");
    } catch (const RunError& e) {
      EXPECT_EQ(formatParameters(p), formatParameters(before)) << name << " changed on refusal";
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(refusedBy("popsize", "201").substr(0, 55), "sweep: popsize = 201 is outside what a run supports (2.");
  EXPECT_EQ(refusedBy("popsize", "1.5"), "sweep: popsize = '1.5' is not a whole number");
  EXPECT_EQ(refusedBy("delta", "0.1 0.2"), "sweep: delta = '0.1 0.2' is not a number");
  EXPECT_EQ(refusedBy("delta", "0"), refusedBy("delta", "0.0"));
  EXPECT_NE(refusedBy("delta", "0").find("(any value but 0"), std::string::npos);
  EXPECT_EQ(refusedBy("poplation", "10"), "sweep: 'poplation' is not a parameter of para.txt");
  // A limit that relates two parameters waits for the whole set.
  EXPECT_EQ(refusedBy("maxyear", "20"), "");
  EXPECT_NE(refusedBy("maxyear", "801").find("maxyear = 801"), std::string::npos);
  EXPECT_THROW(checkParameters(p, "sweep"), RunError);
}

TEST(Parameters, SharesOutsideZeroToOneAreRefusedWhereTheyAreChosen) {
  Parameters p = demoParameters();
  EXPECT_NO_THROW(checkShares(p, "Parameters"));
  const auto refusal = [&p](double Parameters::*share, double value) {
    Parameters q = p;
    q.*share = value;
    try {
      checkShares(q, "Parameters");
    } catch (const RunError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(refusal(&Parameters::pcross1, 1.5), "Parameters: pcross1 = 1.50000 is a probability and must lie in 0..1");
  EXPECT_EQ(refusal(&Parameters::pmutation2, -0.001),
            "Parameters: pmutation2 = -0.00100 is a probability and must lie in 0..1");
  EXPECT_NE(refusal(&Parameters::gap2, 1.00001), "");
  EXPECT_EQ(refusal(&Parameters::gap1, 1.0), "");
  EXPECT_EQ(refusal(&Parameters::pcross2, 0.0), "");
  EXPECT_NE(refusal(&Parameters::pcross1, std::nan("")), "");
  // A run's own values that are no shares may lie anywhere their limits allow.
  EXPECT_EQ(refusal(&Parameters::delta, 2.5), "");
  EXPECT_TRUE(meaningfulShare(*findParameter("trend1"), -3));
  EXPECT_FALSE(meaningfulShare(*findParameter("gap1"), 2));
}

TEST(Parameters, ARealTheFileCannotHoldIsRefusedNamingItsLine) {
  Parameters p = demoParameters();
  EXPECT_NO_THROW(checkDecimalsKept(p, "para.txt"));
  p.trend2 = 0.0217649;
  try {
    checkDecimalsKept(p, "in/para.txt");
    FAIL() << "a value the file would round was accepted";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("in/para.txt, line 4: trend2 = 0.021765"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("written as 0.02176"), std::string::npos) << e.what();
  }
}

TEST(Parameters, CommentsStatingAValueTheNewSetChangesAreNamed) {
  const std::string text =
      "0.00435 delta: sig/5\n20 ndiv: price levels -20..20, +-4 sig\n0.01088 trend1\n0.02176 trend2: sig/2*sqrt(4)\n"
      "0.01538 trend3\n100 popsize: number of agents\n53 minyear\n261 maxyear\n156 teachyear: weeks 53..208\n"
      "0.6 pcross1\n0.005 pmutation1\n0.2 gap1 (20 agents replaced)\n0.3 pcross2\n0.002 pmutation2\n"
      "0.1 gap2 (10 agents replaced)\n10 simtimes: 10 paths\n5 nsample\nall\n";
  TextReader in("para.txt", text);
  const Parameters was = readParameters(in);
  EXPECT_TRUE(commentsMadeUntrue(text, was, was).empty());

  // Half the agents: each gap now replaces half as many.
  Parameters now = was;
  now.popsize = 50;
  EXPECT_EQ(commentsMadeUntrue(text, was, now),
            (std::vector<std::string>{
                "line 12: 'gap1 (20 agents replaced)' says 20, but popsize 50 x gap1 0.20000 now replaces 10 agents",
                "line 15: 'gap2 (10 agents replaced)' says 10, but popsize 50 x gap2 0.10000 now replaces 6 agents"}));

  // A later start moves the training weeks; a new ndiv its price levels; a
  // number inside a name ("trend1") or a formula unrelated to the value stays.
  now = was;
  now.minyear = 60;
  now.ndiv = 10;
  now.nsample = 4;
  now.trend1 = 1;
  const std::vector<std::string> untrue = commentsMadeUntrue(text, was, now);
  ASSERT_EQ(untrue.size(), 2u);
  EXPECT_EQ(untrue[0], "line 2: 'ndiv: price levels -20..20, +-4 sig' says 20, but ndiv is now 10");
  EXPECT_EQ(untrue[1], "line 9: 'teachyear: weeks 53..208' says 53, but training now spans weeks 60..215");

  // The value itself, written out in its comment.
  now = was;
  now.simtimes = 20;
  EXPECT_EQ(commentsMadeUntrue(text, was, now),
            std::vector<std::string>{"line 16: 'simtimes: 10 paths' says 10, but simtimes is now 20"});
  // A file without comments states nothing.
  EXPECT_TRUE(commentsMadeUntrue(formatParameters(was), was, now).empty());
}

}  // namespace
}  // namespace vk
