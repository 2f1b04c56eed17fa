# %% [markdown]
# # The Limiter's transfer curve in a notebook
#
# A dialog shows its curve where a notebook shows a value (its `_repr_png_`). Run the cells
# in Jupyter, or the whole file with python3, which writes the pictures as PNG files.

# %%
import qm7140

amp = qm7140.open()  # a simulated QM7140; "i2c:/dev/i2c-1@0x41" for a real one
amp.limiter.show()
amp.limiter  # the curve as the dialog starts: 3.59 V, 7.90 V, slope 5.97

# %% [markdown]
# Drag the red cursor (inflection point and limiter level) down and to the left, in the
# paint box's pixels, and read the quantised values and the registers it wrote.

# %%
amp.limiter.curve.drag((326, 97), (250, 140))
print(amp.limiter.inflection_point, amp.limiter.level, amp.limiter.slope)
print([record.text for record in amp.log[-2:]])
amp.limiter

# %% [markdown]
# Or type the numbers: the curve follows.

# %%
amp.limiter.inflection_point = 4.5
amp.limiter.slope = 2.0
amp.limiter

# %%
if __name__ == "__main__":
    with open("limiter-curve.png", "wb") as picture:
        picture.write(amp.limiter._repr_png_())
    print("wrote limiter-curve.png")
    amp.close()
