import numpy as np
a = np.random.rand(300, 300)
np.savetxt("bench_table.csv", a, delimiter=";", fmt="%.17g")
b = np.loadtxt("bench_table.csv", delimiter=";")
print(b.shape)
