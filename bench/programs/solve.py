import numpy as np
a = np.random.rand(1000, 1000)
b = np.ones((1000, 1))
x = np.linalg.solve(a, b)
print(x.shape)
