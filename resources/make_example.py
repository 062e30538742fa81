#!/usr/bin/env python3
# Writes example.csv, the made-up data behind the example workspace: 200 visits to four invented clinics
# with a date, categorical, binary and numeric variables that relate to each other the way the analysis
# screens can show (weight with height, blood pressure with age and smoking, activity with resting pulse).
# No real people or measurements: every value comes from this fixed-seed generator.
# Run from this folder: python3 make_example.py
import csv
import datetime
import random

rng = random.Random(20240611)

CLINICS = ["Northfield", "Riverside", "Hillcrest", "Lakeview"]
ACTIVITY = ["Low", "Moderate", "High"]
START = datetime.date(2023, 1, 9)


def blank_sometimes(value, rate=0.02):
    """A few values are missing, as in any real table."""
    return "" if rng.random() < rate else value


rows = []
for _ in range(200):
    day = START + datetime.timedelta(days=rng.randrange(0, 350))
    clinic = rng.choice(CLINICS)
    sex = rng.choice(["Female", "Male"])
    age = rng.randint(18, 84)
    smoker = "Yes" if rng.random() < 0.22 else "No"
    activity = rng.choices(ACTIVITY, weights=[3, 4, 2])[0]
    height = rng.gauss(164 if sex == "Female" else 177, 7)
    bmi = rng.gauss(26, 3.5) - {"Low": -1.0, "Moderate": 0.0, "High": 1.2}[activity]
    weight = bmi * (height / 100) ** 2
    systolic = 102 + 0.45 * age + (7 if smoker == "Yes" else 0) + 0.6 * (bmi - 26) + rng.gauss(0, 9)
    pulse = 74 - {"Low": 0, "Moderate": 4, "High": 9}[activity] + (4 if smoker == "Yes" else 0) + rng.gauss(0, 6)
    sleep = min(10.5, max(4.0, rng.gauss(7.1, 0.9)))
    rows.append([
        day.isoformat(),
        clinic,
        sex,
        age,
        smoker,
        activity,
        blank_sometimes(f"{height:.1f}"),
        blank_sometimes(f"{weight:.1f}"),
        blank_sometimes(f"{systolic:.0f}"),
        blank_sometimes(f"{pulse:.0f}"),
        blank_sometimes(f"{sleep:.1f}"),
    ])

# Visits are numbered in the order of their dates.
rows.sort(key=lambda r: r[0])
with open("example.csv", "w", newline="", encoding="utf-8") as f:
    out = csv.writer(f, lineterminator="\n")
    out.writerow(["Visit", "Visit date", "Clinic", "Sex", "Age", "Smoker", "Activity", "Height (cm)",
                  "Weight (kg)", "Systolic BP", "Resting pulse", "Sleep (hours)"])
    out.writerows([visit] + row for visit, row in enumerate(rows, start=1))
