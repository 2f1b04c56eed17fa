# %% [markdown]
# # A sweep in a notebook
#
# The Limiter's inflection point swept over `np.linspace`, each setting read back as the
# number the dialog shows, and plotted with matplotlib when it is installed. Run the cells in
# Jupyter, or the whole file with python3.

# %%
import numpy as np

import qm7140

amp = qm7140.open()  # the simulated QM7140; qm7140.places() lists the real ones
wanted = np.linspace(1.5, 5.5, 41)
shown = []
for volts in wanted:
    amp.limiter.inflection_point = volts
    shown.append(amp.limiter.inflection_point)
print(f"{len(shown)} settings, largest quantisation {max(abs(np.array(shown) - wanted)):.3f} V")

# %%
try:
    import matplotlib.pyplot as plt
except ImportError:
    plt = None
    print("matplotlib is not installed: no plot")
if plt is not None:
    plt.plot(wanted, shown, ".")
    plt.xlabel("set (V)")
    plt.ylabel("shown (V)")
    plt.show()

# %%
amp.close()
