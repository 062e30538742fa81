// The regression screen's texts as functions of a fit: the interpretation with its colour, the
// significance stars, the fitted equation and the statistics lines.
#include "analysis/FitScreenParts.h"
#include "analysis/RegressionViewController.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

const std::string kImprove =
    " Try removing variables with insignificant coefficients, or adding in variables that haven't been tried yet.";
const std::string kPoor = "Model doesn't explain variation in y very well." + kImprove;
const std::string kSome = "Model explains some of the variation in y." + kImprove;
const std::string kMost = "Model explains most of the variation in y." + kImprove;
const std::string kGood = "Model does a good job explaining variation in y. Consider removing variables with "
                          "insignificant coefficients as they may hurt more than they help.";
const std::string kOverfit = "The model appears to explain variation in y very well. However, the small number of "
                             "observations mean this may be overfitting. Try finding more observations for your "
                             "dataset.";

RegressionResult fit(int64_t n, double r2adj, double varianceDep = 1.0) {
    RegressionResult r;
    r.N = n;
    r.r2adj = r2adj;
    r.varianceDep = varianceDep;
    return r;
}

} // namespace

TEST(RegressionInterpretation, FirstCaseThatHoldsWithItsColour) {
    struct Case {
        std::string what;
        RegressionResult result;
        bool logistic;
        size_t regressors;
        std::string expected;
        bool red;
    };
    RegressionResult notConverged = fit(40, 0.5);
    notConverged.converged = false;
    notConverged.numPerfectPredict = 3;
    RegressionResult perfect = fit(40, 0.95);
    perfect.converged = true;
    perfect.numPerfectPredict = 3;
    RegressionResult linearPerfect = fit(40, 0.5);
    linearPerfect.numPerfectPredict = 3; // only a logistic fit reads it
    const Case cases[] = {
        {"no rows", fit(0, NAN, NAN), false, 2,
         "No observations in model. One or more variables in the model may have no numeric observations. To "
         "improve try removing variables that have none or few numeric observations.",
         true},
        {"constant dependent", fit(10, NAN, 0.0), false, 1,
         "Dependent variable y is constant on all rows in regression. There is no variation to explain.", true},
        {"not converged", notConverged, true, 1, "Model did not converge. Coefficients may not be trustworthy.", true},
        {"perfect predictions", perfect, true, 1,
         "Predicted probabilities exactly 0 or 1 for 3 observations. Coefficients may not be trustworthy. One or "
         "more variables may be causing this.",
         true},
        {"perfect predictions of a linear fit", linearPerfect, false, 1, kMost, false},
        {"overfitting: 2 regressors + 10 >= 12 rows", fit(12, 0.95), false, 2, kOverfit, false},
        {"13 rows are enough", fit(13, 0.95), false, 2, kGood, false},
        {"0.9 as a float lies below 0.9", fit(5, 0.9), false, 2, kGood, false},
        {"not a number: the lowest band", fit(1, NAN), false, 1, kPoor, false},
        {"0.29", fit(100, 0.29), false, 1, kPoor, false},
        {"0.3", fit(100, 0.3), false, 1, kSome, false},
        {"0.49", fit(100, 0.49), false, 1, kSome, false},
        {"0.5", fit(100, 0.5), false, 1, kMost, false},
        {"0.89", fit(100, 0.89), false, 1, kMost, false},
        {"negative", fit(100, -0.2), false, 1, kPoor, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto got = RegressionViewController::interpretation(c.result, c.logistic, "y", c.regressors);
        EXPECT_EQ(got.text, c.expected);
        EXPECT_EQ(got.warning, c.red);
        // The colour is that of the rich text's runs.
        const gfx::RichText rich = RegressionViewController::coloured(got, 15);
        ASSERT_FALSE(rich.items().empty());
        for (const auto& item : rich.items()) {
            EXPECT_EQ(item.run.attributes.color, (c.red ? gfx::Color{1, 0, 0, 1} : gfx::Color::black()));
        }
    }
}

TEST(RegressionStars, UpToEachBoundInclusive) {
    const std::pair<double, std::string> cases[] = {
        {0.2, ""}, {0.0500001, ""}, {0.05, "* "}, {0.011, "* "}, {0.01, "** "}, {0.002, "** "},
        {0.001, "*** "}, {0.0, "*** "}, {NAN, ""}};
    for (const auto& [p, expected] : cases) {
        EXPECT_EQ(fitparts::stars(p), expected) << p;
    }
}

TEST(RegressionEquation, TermsOfNumbersJoinedByTheirSigns) {
    auto result = [](std::vector<double> coeffs, std::vector<std::string> names) {
        RegressionResult r;
        r.coeffs = std::move(coeffs);
        r.names = std::move(names);
        r.nameLHS = "(g=M)";
        return r;
    };
    struct Case {
        std::string what;
        RegressionResult result;
        bool logistic;
        size_t regressors;
        std::string expected;
    };
    const Case cases[] = {
        {"a negative coefficient brings its minus sign", result({1.5, -0.5, 2}, {"x1", "x2"}), false, 2,
         "y =  1.5 * x1 -0.5 * x2 + 2 + ϵ"},
        {"a negative first term", result({-1.5, 0.5, -2}, {"x1", "x2"}), false, 2, "y =  -1.5 * x1 + 0.5 * x2 -2 + ϵ"},
        {"a dropped regressor is left out", result({NAN, 0.25, 3}, {"x1", "x2"}), false, 2,
         "y =  0.25 * x2 + 3 + ϵ"},
        {"every regressor dropped", result({NAN, NAN, 4}, {"x1", "x2"}), false, 2, "y =  4 + ϵ"},
        {"every regressor dropped, negative constant", result({NAN, -4}, {"x1"}), false, 1, "y =  -4 + ϵ"},
        {"no coefficients", result({}, {"x1"}), false, 1, "y = "},
        {"a coefficient of -0 reads 0", result({-0.0, 2}, {"x1"}), false, 1, "y =  0 * x1 + 2 + ϵ"},
        {"logistic: the coded response", result({0.125, -1}, {"x1"}), true, 1, "(g=M) ~  0.125 * x1 -1 + ϵ"},
        {"four significant digits", result({1.23456, 9.87654}, {"x"}), false, 1, "y =  1.235 * x + 9.877 + ϵ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RegressionViewController::equationText(c.result, c.logistic, "y", c.regressors), c.expected);
    }
}

TEST(RegressionStatistics, LinesOfEightDigitsAndAPlainCount) {
    RegressionResult linear;
    linear.N = 24;
    linear.rmse = 1.33834941518738;
    linear.r2 = 0.789072147339199;
    linear.r2adj = 0.744666283621136;
    EXPECT_EQ(RegressionViewController::statisticsText(linear, false),
              "Obs = 24\nRMSE = 1.3383494\nR² = 0.78907215\nAdjusted R² = 0.74466628");
    RegressionResult logistic;
    logistic.N = 38;
    logistic.LL = -25.1060835697227;
    logistic.r2adj = 0.0468309931004525;
    logistic.AUC = 0.645833333333333;
    logistic.AIC = 56.2121671394454;
    EXPECT_EQ(RegressionViewController::statisticsText(logistic, true),
              "Obs = 38\nLog-likelihood: -25.106084\nPseudo-R² = 0.046830993\nAUC: 0.64583333\nAIC: 56.212167");
}

TEST(RegressionCSV, CoefficientLinesWriteNegativeZeroAsZero) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("ovrida-coefficients-" + std::to_string(::getpid()) + ".csv"))
                                 .string();
    {
        CHCSVWriter writer(path);
        fitparts::writeCoefficientLine(writer, "x", -0.0, 0.5, -0.0, 1.0);
        fitparts::writeCoefficientLine(writer, "Constant", -2.5, 0.25, -10, 0.0001);
        ASSERT_FALSE(writer.closeStream());
    }
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    EXPECT_EQ(text, "x,0,0.5,0,1,\nConstant,-2.5,0.25,-10,1e-04,*** \n");
}
