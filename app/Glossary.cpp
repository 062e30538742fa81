// The glossary's terms and texts, and the search over their titles.
#include "app/Glossary.h"

#include "platform/foundation/IcuText.h"
#include "platform/foundation/Tr.h"

#include <set>

using foundation::tr;

Glossary::Terms Glossary::dictTerms() {
    struct Entry {
        const char* key;
        const char* title;
        const char* text;
    };
    static const Entry entries[] = {
        {"observations", "Observations",
         "The number of values of the variable that are not missing. Empty cells are not counted."},
        {"levels", "Unique Values",
         "The number of different values the variable takes. Each distinct value counts once, however often it "
         "appears."},
        {"mean", "Mean",
         "The average: all the values added together and divided by how many there are. A few very large or very "
         "small values can pull it a long way."},
        {"meanCI", "95% CI of Mean",
         "A range of values that is likely to contain the true mean of the whole population the data were drawn "
         "from. If the data were collected again and again, 95 out of 100 such ranges would contain it."},
        {"median", "Median",
         "The middle value once the values are put in order: half of them lie below it and half above. With an "
         "even number of values it is halfway between the two middle ones."},
        {"rms", "Root Mean Square",
         "The square root of the average of the squared values. It gives the typical size of the values, whether "
         "they are positive or negative."},
        {"mode", "Mode", "The value that occurs most often."},
        {"sum", "Sum", "All the values added together."},
        {"minimum", "Minimum", "The smallest value."},
        {"pc25", "1st Quartile",
         "The value below which a quarter of the values lie, also called the 25th percentile."},
        {"pc75", "3rd Quartile",
         "The value below which three quarters of the values lie, also called the 75th percentile."},
        {"maximum", "Maximum", "The largest value."},
        {"range", "Range", "The difference between the largest and the smallest value."},
        {"midrange", "Mid-Range", "The point halfway between the smallest and the largest value."},
        {"variance", "Variance",
         "A measure of how spread out the values are: the average of the squared distances of the values from "
         "their mean. It is in squared units; its square root is the standard deviation."},
        {"varianceCI", "95% CI of Variance",
         "A range of values that is likely to contain the true variance of the population. It relies on the "
         "values coming from a normal distribution."},
        {"sd", "Standard Deviation",
         "The typical distance of the values from their mean, in the same units as the values. For normally "
         "distributed data about two thirds of the values lie within one standard deviation of the mean."},
        {"sdCI", "95% CI of Std Dev",
         "A range of values that is likely to contain the true standard deviation of the population. It relies on "
         "the values coming from a normal distribution."},
        {"mad", "Mean Abs Dev",
         "The mean absolute deviation: the average distance of the values from their mean, whether they lie above "
         "or below it."},
        {"coeffvar", "Coeff. Variation",
         "The standard deviation divided by the mean, often shown as a percentage. It lets you compare the spread "
         "of variables measured on different scales."},
        {"skew", "Skew",
         "How lopsided the values are. A positive skew means a long tail of large values, a negative skew a long "
         "tail of small values, and a skew near zero a symmetric shape."},
        {"kurtosis", "Excess Kurtosis",
         "How heavy the tails of the distribution are compared with a normal distribution, whose excess kurtosis "
         "is zero. A positive value means more extreme values than a normal distribution would give."},
        {"qqplot", "QQ Plot",
         "A chart of the sorted values against the values a normal distribution would lead you to expect. When "
         "the points lie close to the straight line, the data are close to normal."},
        {"depvar", "Dependent Variable",
         "The variable a model tries to explain or predict, also called the outcome or response."},
        {"indepvar", "Independent Variable",
         "A variable used to explain or predict the dependent variable, also called a predictor."},
        {"coefficient", "Coefficient",
         "The number by which a model multiplies an independent variable. It says how much the prediction changes "
         "when that variable goes up by one unit and the others stay the same."},
        {"residuals", "Residuals",
         "The differences between the observed values and the values the model predicts. Small residuals without "
         "any pattern suggest that the model fits well."},
        {"linearreg", "Linear Regression",
         "A way of predicting a numeric variable from one or more others by fitting a straight line (or a flat "
         "surface) through the data. The fit makes the squared residuals as small as possible."},
        {"rmse", "RMSE",
         "The root mean square error: the typical size of the residuals, in the units of the dependent variable. "
         "Smaller values mean predictions closer to the data."},
        {"r2", "R²",
         "The share of the variation in the dependent variable that the model explains, from 0 (none of it) to 1 "
         "(all of it)."},
        {"adjustedR2", "Adjusted-R²",
         "R² corrected for the number of predictors, so that adding a variable that does not help makes it "
         "smaller. Use it to compare models with different numbers of variables."},
        {"logisticreg", "Logistic Regression",
         "A way of predicting the probability of one of two outcomes, such as yes or no, from one or more "
         "variables. Its coefficients act on the log odds of the outcome."},
        {"loglikelihood", "Log-likelihood",
         "The logarithm of the probability that the fitted model gives to the data that were actually observed. "
         "That probability is less than one, so its logarithm is a negative number. A larger log-likelihood, one "
         "closer to zero, means the model fits the data better."},
        {"pseudoR2", "Pseudo-R²",
         "A measure for logistic regression that plays the part of R², comparing the fitted model with one that "
         "has no predictors. It lies between 0 and 1, and larger values mean a better fit."},
        {"AUC", "AUC",
         "The area under the ROC curve: the chance that the model gives a randomly chosen case with the outcome a "
         "higher probability than one without it. 0.5 is no better than guessing and 1 is perfect."},
        {"AIC", "AIC",
         "The Akaike information criterion weighs how well a model fits against how many parameters it uses. "
         "Between models of the same data, the one with the smaller AIC is preferred."},
    };
    Terms terms;
    for (const Entry& e : entries)
        terms[e.key] = {{"title", tr(e.title)}, {"text", tr(e.text)}};
    return terms;
}

std::optional<std::string> Glossary::attribute(const std::string& attributeName, const std::string& term) {
    Terms terms = dictTerms();
    auto entry = terms.find(term);
    if (entry == terms.end())
        return std::nullopt;
    auto value = entry->second.find(attributeName);
    if (value == entry->second.end())
        return std::nullopt;
    return value->second;
}

std::optional<std::string> Glossary::titleForTerm(const std::string& term) {
    return attribute("title", term);
}

std::optional<std::string> Glossary::textForTerm(const std::string& term) {
    return attribute("text", term);
}

std::vector<std::string> Glossary::subsetOfTerms(const std::vector<std::string>& terms, const std::string& substring) {
    Terms table = dictTerms();
    const std::string wanted = foundation::foldForSearch(substring);
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (const std::string& key : terms) {
        auto entry = table.find(key);
        if (entry == table.end() || !seen.insert(key).second)
            continue;
        if (foundation::foldForSearch(entry->second["title"]).find(wanted) != std::string::npos)
            out.push_back(key);
    }
    return out;
}
